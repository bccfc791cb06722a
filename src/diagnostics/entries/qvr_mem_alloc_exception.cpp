#include "diagnostics/entries/qvr_mem_alloc_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRMemAllocException::CQVRMemAllocException(const WCHAR* szVariableName, const WCHAR* szSourceFile,
                                             uint32_t ulLine, uint16_t usOutputTypes, bool bWriteNow,
                                             bool bWriteOnDestroy)
    : CQVRLogException1(CQVRLogMessage(QVR_T("Unable to allocate memory ( %s )"),
                                       CQVRLogMessage::orUnknown(szVariableName))
                            .text(),
                        static_cast<uint32_t>(-1), rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow,
                        bWriteOnDestroy, usOutputTypes)
{
}
