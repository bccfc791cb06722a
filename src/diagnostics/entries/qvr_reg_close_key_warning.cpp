#include "diagnostics/entries/qvr_reg_close_key_warning.h"

#include "diagnostics/qvr_log_message.h"

CQVRRegCloseKeyWarning::CQVRRegCloseKeyWarning(const WCHAR* szKeyPath, uint32_t ulError, const WCHAR* szClassName,
                                               const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine,
                                               uint16_t usOutputTypes, bool bWriteNow, bool bWriteOnDestroy)
    : CQVRLogWarning(
          CQVRLogMessage(QVR_T("Unable to close registry key ( %s )"), CQVRLogMessage::orUnknown(szKeyPath)).text(),
          ulError, rkError, szClassName, szMethodName, szSourceFile, ulLine, bWriteNow, bWriteOnDestroy, usOutputTypes)
{
}
