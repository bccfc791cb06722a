#include "diagnostics/entries/qvr_si_get_storage_path_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRSIgetStoragePathException::CQVRSIgetStoragePathException(const WCHAR* szFolder, const WCHAR* szReason,
                                                             uint32_t ulError, const WCHAR* szClassName,
                                                             const WCHAR* szMethodName, const WCHAR* szSourceFile,
                                                             uint32_t ulLine, uint16_t usOutputTypes, bool bWriteNow,
                                                             bool bWriteOnDestroy)
    : CQVRLogException1(CQVRLogMessage(QVR_T("Unable to obtain Windows shell folder path for folder ( \"%s\" ).  %s"),
                                       CQVRLogMessage::orUnknown(szFolder), CQVRLogMessage::orUnknown(szReason))
                            .text(),
                        ulError, rkError, szClassName, szMethodName, szSourceFile, ulLine, bWriteNow, bWriteOnDestroy,
                        usOutputTypes)
{
}
