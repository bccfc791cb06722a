#include "diagnostics/entries/qvr_load_string_exception.h"

#include "diagnostics/qvr_log_message.h"

static const WCHAR* const kUnknownDll = QVR_T("Unknown resource DLL");

CQVRLoadStringException::CQVRLoadStringException(const WCHAR* szDllName, uint32_t ulStringId, uint32_t ulError,
                                                 const WCHAR* szSourceFile, uint32_t ulLine, bool bWriteNow,
                                                 bool bWriteOnDestroy)
    : CQVRLogException1(CQVRLogMessage(QVR_T("Unable to load string ( ID: %d ) from resource DLL ( %s )"),
                                       static_cast<int>(ulStringId), CQVRLogMessage::orText(szDllName, kUnknownDll))
                            .text(),
                        ulError, rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, bWriteOnDestroy, otText)
{
}
