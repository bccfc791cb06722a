#include "diagnostics/entries/qvr_reg_restore_key_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRRegRestoreKeyException::CQVRRegRestoreKeyException(const WCHAR* szKeyPath, uint32_t ulError,
                                                       const WCHAR* szClassName, const WCHAR* szMethodName,
                                                       const WCHAR* szSourceFile, uint32_t ulLine,
                                                       uint16_t usOutputTypes, bool bWriteNow, bool bWriteOnDestroy)
    : CQVRLogException1(
          CQVRLogMessage(QVR_T("Unable to load registry key ( \"%s\" )"), CQVRLogMessage::orUnknown(szKeyPath)).text(),
          ulError, rkPassFail, szClassName, szMethodName, szSourceFile, ulLine, bWriteNow, bWriteOnDestroy,
          usOutputTypes)
{
}
