// A string policy setting, read and written at one location.
#include "product/qvr_policy_string_setting.h"

#include "registry/qvr_registry_string.h"
#include "registry/qvr_registry_string_expand.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRPolicyStringSetting"), QVR_T("qvr_policy_string_setting.cpp"),
                                        QVRErrorSource::LastError};

// KEY_READ | KEY_WRITE, for a write.
static const REGSAM kWriteAccess = 0x2001F;

CQVRPolicyStringSetting::CQVRPolicyStringSetting() : m_bExpand(false)
{
    qvrTracedPass(kThisFile, QVR_T("CQVRPolicyStringSetting"), __LINE__);
}

CQVRPolicyStringSetting::CQVRPolicyStringSetting(const CQVRWCharString& vendorName, const CQVRWCharString& productName,
                                                 uint32_t ulID, uint32_t ulSource, const CQVRWCharString& version,
                                                 const CQVRWCharString& valueName, const CQVRWCharString& subKey,
                                                 const CQVRWCharString& defaultValue, bool bExpand,
                                                 bool bWrite32BitView)
    : CQVRPolicySetting(vendorName, productName, ptString, ulID, ulSource, version, valueName, subKey, defaultValue,
                        bWrite32BitView),
      m_bExpand(bExpand)
{
    qvrTracedPass(kThisFile, QVR_T("CQVRPolicyStringSetting"), __LINE__);
}

CQVRPolicyStringSetting::CQVRPolicyStringSetting(const CQVRPolicyStringSetting& other)
    : CQVRPolicySetting(other), m_bExpand(other.m_bExpand)
{
    qvrTracedPass(kThisFile, QVR_T("CQVRPolicyStringSetting"), __LINE__);
}

CQVRPolicyStringSetting& CQVRPolicyStringSetting::operator=(const CQVRPolicyStringSetting& other)
{
    qvrTraced(kThisFile, QVR_T("operator="), __LINE__, rkPassFail, [&] {
        CQVRPolicySetting::operator=(other);
        m_bExpand = other.m_bExpand;
        return true;
    });
    return *this;
}

CQVRPolicyStringSetting::~CQVRPolicyStringSetting()
{
    qvrTracedPass(kThisFile, QVR_T("~CQVRPolicyStringSetting"), __LINE__);
}

bool CQVRPolicyStringSetting::getPolicy(PolicyLocation location, CQVRWCharString& value, bool bUseCached,
                                        const CQVRWCharString& substitution)
{
    return qvrTraced(kThisFile, QVR_T("getPolicy"), __LINE__, rkPassFail, [&]() -> bool {
        if (takeCached(bUseCached, value))
            return true;
        if (!fromRegistry(kThisFile, __LINE__))
            return false;
        const HKEY hHive = CQVRPolicySearchPolicy::getHive(location);
        const CQVRWCharString keyPath = getValueLocation(location, substitution);
        CQVRWCharString read;
        const bool bRead =
            m_bExpand ? CQVRRegistryStringExpand(hHive, keyPath, m_strValueName, KEY_READ, false, 0)
                            .getValue(read, false, true)
                      : CQVRRegistryString(hHive, keyPath, m_strValueName, KEY_READ, false, 0).getValue(read, false);
        if (!bRead)
            return false;
        value = read;
        keep(read);
        return true;
    });
}

bool CQVRPolicyStringSetting::setPolicy(PolicyLocation location, const CQVRWCharString& value, bool bCreateKey,
                                        const CQVRWCharString& substitution, bool bVolatile)
{
    return qvrTraced(kThisFile, QVR_T("setPolicy"), __LINE__, rkPassFail, [&]() -> bool {
        if (!fromRegistry(kThisFile, __LINE__))
            return false;
        const HKEY hHive = CQVRPolicySearchPolicy::getHive(location);
        const CQVRWCharString keyPath = getValueLocation(location, substitution);
        const DWORD ulOptions = bVolatile ? REG_OPTION_VOLATILE : 0;
        if (m_bExpand) {
            if (!CQVRRegistryStringExpand(hHive, keyPath, m_strValueName, kWriteAccess, bCreateKey, ulOptions)
                     .setValue(value, false))
                return false;
        } else {
            CQVRRegistryString registryValue(hHive, keyPath, m_strValueName, kWriteAccess, bCreateKey, ulOptions);
            if (!registryValue.setValue(value, false))
                return false;
            if (m_bWrite32BitView) {
                registryValue.setAccess(registryValue.m_samAccess | KEY_WOW64_32KEY);
                registryValue.setValue(value, false);
            }
        }
        keep(value);
        return true;
    });
}
