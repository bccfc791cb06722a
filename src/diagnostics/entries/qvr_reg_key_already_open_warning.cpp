#include "diagnostics/entries/qvr_reg_key_already_open_warning.h"

#include "diagnostics/qvr_log_message.h"

CQVRRegKeyAlreadyOpenWarning::CQVRRegKeyAlreadyOpenWarning(const WCHAR* szKeyPath, const WCHAR* szClassName,
                                                           const WCHAR* szMethodName, const WCHAR* szSourceFile,
                                                           uint32_t ulLine, uint16_t usOutputTypes, bool bWriteNow,
                                                           bool bWriteOnDestroy)
    : CQVRLogWarning(
          CQVRLogMessage(QVR_T("Registry key is already open ( %s )"), CQVRLogMessage::orUnknown(szKeyPath)).text(),
          static_cast<uint32_t>(-1), rkPassFail, szClassName, szMethodName, szSourceFile, ulLine, bWriteNow,
          bWriteOnDestroy, usOutputTypes)
{
}
