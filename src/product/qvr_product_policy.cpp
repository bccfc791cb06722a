// A product's policy settings and their effective values.
#include "product/qvr_product_policy.h"

#include "diagnostics/entries/qvr_get_policy_setting_warning.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRProductPolicy"), QVR_T("qvr_product_policy.cpp"),
                                        QVRErrorSource::LastError};

CQVRProductPolicy::CQVRProductPolicy(const CQVRPolicySearchPolicy& searchOrder) : CQVRPolicySearchPolicy(searchOrder)
{
    qvrTraced(kThisFile, QVR_T("CQVRProductPolicy"), __LINE__, rkPassFail,
              [&] { return getCount() == searchOrder.getCount(); });
}

CQVRProductPolicy::~CQVRProductPolicy()
{
    qvrTraced(kThisFile, QVR_T("~CQVRProductPolicy"), __LINE__, rkPassFail,
              [&] { return m_lstStringSettings.removeAll() && m_lstDwordSettings.removeAll() && removeAll(); });
}

bool CQVRProductPolicy::addPolicySetting(const CQVRPolicyDwordSetting& setting)
{
    return qvrTraced(kThisFile, QVR_T("addPolicySetting"), __LINE__, rkPassFail,
                     [&] { return m_lstDwordSettings.add(setting, setting.m_ulID); });
}

bool CQVRProductPolicy::addPolicySetting(const CQVRPolicyStringSetting& setting)
{
    return qvrTraced(kThisFile, QVR_T("addPolicySetting"), __LINE__, rkPassFail,
                     [&] { return m_lstStringSettings.add(setting, setting.m_ulID); });
}

bool CQVRProductPolicy::getPolicySetting(uint32_t ulID, CQVRPolicyDwordSetting& setting)
{
    return qvrTraced(kThisFile, QVR_T("getPolicySetting"), __LINE__, rkPassFail, [&]() -> bool {
        if (!m_lstDwordSettings.findKey(ulID)) {
            CQVRGetPolicySettingWarning warning(ulID, kThisFile, __LINE__);
            return false;
        }
        return m_lstDwordSettings.getCurrent(setting);
    });
}

bool CQVRProductPolicy::getPolicy(uint32_t ulID, DWORD& value, bool bNoDefault, const CQVRWCharString& substitution)
{
    return qvrTraced(kThisFile, QVR_T("getPolicy"), __LINE__, rkPassFail, [&]() -> bool {
        // A fresh copy, read with its cache off: every call reads the registry.
        CQVRPolicyDwordSetting setting;
        if (!getPolicySetting(ulID, setting))
            return false;
        const uint32_t ulLocations = getCount();
        for (uint32_t ulIndex = 0; ulIndex < ulLocations; ++ulIndex) {
            if (setting.getPolicy(getPolicyLocation(ulIndex), value, false, substitution))
                return true;
        }
        if (bNoDefault)
            return false;
        value = setting.m_Default;
        return true;
    });
}
