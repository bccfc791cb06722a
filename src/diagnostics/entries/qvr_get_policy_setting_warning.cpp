#include "diagnostics/entries/qvr_get_policy_setting_warning.h"

#include "diagnostics/qvr_log_message.h"

CQVRGetPolicySettingWarning::CQVRGetPolicySettingWarning(uint32_t ulSettingId, const WCHAR* szSourceFile,
                                                         uint32_t ulLine, uint16_t usOutputTypes, bool bWriteNow,
                                                         bool bWriteOnDestroy)
    : CQVRLogWarning(
          CQVRLogMessage(QVR_T("Could not find policy setting with ID ( %d )"), static_cast<int>(ulSettingId)).text(),
          0, rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, bWriteOnDestroy, usOutputTypes)
{
}
