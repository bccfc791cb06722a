// "Could not find policy setting with ID ( %d )"
#ifndef QVR_GET_POLICY_SETTING_WARNING_H
#define QVR_GET_POLICY_SETTING_WARNING_H

#include "diagnostics/qvr_log_warning.h"

class CQVRGetPolicySettingWarning : public CQVRLogWarning {
public:
    CQVRGetPolicySettingWarning(uint32_t ulSettingId, const WCHAR* szSourceFile, uint32_t ulLine,
                                uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogWarning({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy}, 0,
                         rkError, QVR_T("Could not find policy setting with ID ( %d )"), ulSettingId)
    {
    }
};

#endif
