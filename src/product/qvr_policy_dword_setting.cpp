// A dword policy setting, read and written at one location.
#include "product/qvr_policy_dword_setting.h"

#include "registry/qvr_registry_dword.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRPolicyDwordSetting"), QVR_T("qvr_policy_dword_setting.cpp"),
                                        QVRErrorSource::LastError};

// KEY_READ | KEY_WRITE, for a write.
static const REGSAM kWriteAccess = 0x2001F;

CQVRPolicyDwordSetting::CQVRPolicyDwordSetting()
{
    qvrTracedPass(kThisFile, QVR_T("CQVRPolicyDwordSetting"), __LINE__);
}

CQVRPolicyDwordSetting::CQVRPolicyDwordSetting(const CQVRWCharString& vendorName, const CQVRWCharString& productName,
                                               uint32_t ulID, uint32_t ulSource, const CQVRWCharString& version,
                                               const CQVRWCharString& valueName, const CQVRWCharString& subKey,
                                               DWORD ulDefault, bool bWrite32BitView)
    : CQVRPolicySetting(vendorName, productName, ptDword, ulID, ulSource, version, valueName, subKey, ulDefault,
                        bWrite32BitView)
{
    qvrTracedPass(kThisFile, QVR_T("CQVRPolicyDwordSetting"), __LINE__);
}

CQVRPolicyDwordSetting::CQVRPolicyDwordSetting(const CQVRPolicyDwordSetting& other) : CQVRPolicySetting(other)
{
    qvrTracedPass(kThisFile, QVR_T("CQVRPolicyDwordSetting"), __LINE__);
}

CQVRPolicyDwordSetting& CQVRPolicyDwordSetting::operator=(const CQVRPolicyDwordSetting& other)
{
    qvrTraced(kThisFile, QVR_T("operator="), __LINE__, rkPassFail, [&] {
        CQVRPolicySetting::operator=(other);
        return true;
    });
    return *this;
}

CQVRPolicyDwordSetting::~CQVRPolicyDwordSetting()
{
    qvrTracedPass(kThisFile, QVR_T("~CQVRPolicyDwordSetting"), __LINE__);
}

bool CQVRPolicyDwordSetting::getPolicy(PolicyLocation location, DWORD& value, bool bUseCached,
                                       const CQVRWCharString& substitution)
{
    return qvrTraced(kThisFile, QVR_T("getPolicy"), __LINE__, rkPassFail, [&]() -> bool {
        if (takeCached(bUseCached, value))
            return true;
        if (!fromRegistry(kThisFile, __LINE__))
            return false;
        CQVRRegistryDword registryValue(CQVRPolicySearchPolicy::getHive(location),
                                        getValueLocation(location, substitution), m_strValueName, KEY_READ, false, 0);
        uint32_t ulRead = 0;
        if (!registryValue.getValue(ulRead, false))
            return false;
        value = ulRead;
        keep(ulRead);
        return true;
    });
}

bool CQVRPolicyDwordSetting::setPolicy(PolicyLocation location, const DWORD& value, bool bCreateKey,
                                       const CQVRWCharString& substitution, bool bVolatile)
{
    return qvrTraced(kThisFile, QVR_T("setPolicy"), __LINE__, rkPassFail, [&]() -> bool {
        if (!fromRegistry(kThisFile, __LINE__))
            return false;
        CQVRRegistryDword registryValue(CQVRPolicySearchPolicy::getHive(location),
                                        getValueLocation(location, substitution), m_strValueName, kWriteAccess,
                                        bCreateKey, bVolatile ? REG_OPTION_VOLATILE : 0);
        if (!registryValue.setValue(value, false))
            return false;
        keep(value);
        return true;
    });
}
