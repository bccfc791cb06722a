// A policy setting whose value is a REG_DWORD.
#ifndef QVR_POLICY_DWORD_SETTING_H
#define QVR_POLICY_DWORD_SETTING_H

#include "product/qvr_policy_setting.h"

class CQVRPolicyDwordSetting : public CQVRPolicySetting<DWORD> {
public:
    CQVRPolicyDwordSetting();
    CQVRPolicyDwordSetting(const CQVRWCharString& vendorName, const CQVRWCharString& productName, uint32_t ulID,
                           uint32_t ulSource, const CQVRWCharString& version, const CQVRWCharString& valueName,
                           const CQVRWCharString& subKey, DWORD ulDefault, bool bWrite32BitView);
    CQVRPolicyDwordSetting(const CQVRPolicyDwordSetting& other);
    CQVRPolicyDwordSetting& operator=(const CQVRPolicyDwordSetting& other);
    ~CQVRPolicyDwordSetting();

    // With bUseCached, a value read or written before is given without a
    // registry read.
    bool getPolicy(PolicyLocation location, DWORD& value, bool bUseCached,
                   const CQVRWCharString& substitution) override;
    bool setPolicy(PolicyLocation location, const DWORD& value, bool bCreateKey, const CQVRWCharString& substitution,
                   bool bVolatile) override;
};

#endif
