// A policy setting whose value is a REG_SZ, or a REG_EXPAND_SZ read with the
// environment's values in place of its references.
#ifndef QVR_POLICY_STRING_SETTING_H
#define QVR_POLICY_STRING_SETTING_H

#include "product/qvr_policy_setting.h"

class CQVRPolicyStringSetting : public CQVRPolicySetting<CQVRWCharString> {
public:
    CQVRPolicyStringSetting();
    CQVRPolicyStringSetting(const CQVRWCharString& vendorName, const CQVRWCharString& productName, uint32_t ulID,
                            uint32_t ulSource, const CQVRWCharString& version, const CQVRWCharString& valueName,
                            const CQVRWCharString& subKey, const CQVRWCharString& defaultValue, bool bExpand,
                            bool bWrite32BitView);
    CQVRPolicyStringSetting(const CQVRPolicyStringSetting& other);
    CQVRPolicyStringSetting& operator=(const CQVRPolicyStringSetting& other);
    ~CQVRPolicyStringSetting();

    bool getPolicy(PolicyLocation location, CQVRWCharString& value, bool bUseCached,
                   const CQVRWCharString& substitution) override;
    // A plain string with the 32-bit-view flag is written a second time
    // through the 32-bit view; that write does not change the result.
    bool setPolicy(PolicyLocation location, const CQVRWCharString& value, bool bCreateKey,
                   const CQVRWCharString& substitution, bool bVolatile) override;

    bool m_bExpand;
};

#endif
