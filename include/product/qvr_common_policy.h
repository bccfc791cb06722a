// The policy of "QVR Common": the settings that several of the vendor's
// products share, one subkey per product, searched policy tree first.
#ifndef QVR_COMMON_POLICY_H
#define QVR_COMMON_POLICY_H

#include "product/qvr_product_policy.h"

class CQVRCommonPolicy : public CQVRProductPolicy {
public:
    // Setting IDs of the common policy.
    enum SettingID {
        csUsingEmulator = 0,
        csSVTInstall = 1,
        csSVT6SVTInstall = 2,
        csAdminUser = 3,
        csPreferInternalFPSensor = 4,
        csFPSwipeResult = 5,
        csWindowsPasswordRecoveryGUIOption = 6,
        csPDALogonGUIOption = 7,
        csSystemType = 8,
        csDisableHotfixMessage = 9,
        csPasswordRecoveryEnabled = 10,
        csWizardGUIOption = 11
    };

    CQVRCommonPolicy();
    ~CQVRCommonPolicy();
};

#endif
