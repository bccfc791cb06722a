// A product's registry location.
#include "product/qvr_product_registryinfo.h"

#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRProductRegistryInfo"), QVR_T("qvr_product_registryinfo.cpp"),
                                        QVRErrorSource::LastError};

CQVRProductRegistryInfo::CQVRProductRegistryInfo(const CQVRWCharString& key, const CQVRWCharString& versionValue,
                                                 const CQVRWCharString& installValue)
    : m_strKey(key), m_strVersionValue(versionValue), m_strInstallValue(installValue)
{
    qvrTracedPass(kThisFile, QVR_T("CQVRProductRegistryInfo"), __LINE__);
}

CQVRProductRegistryInfo::CQVRProductRegistryInfo(const CQVRProductRegistryInfo& other)
    : m_strKey(other.m_strKey), m_strVersionValue(other.m_strVersionValue), m_strInstallValue(other.m_strInstallValue)
{
}

CQVRProductRegistryInfo::~CQVRProductRegistryInfo()
{
    qvrTracedPass(kThisFile, QVR_T("~CQVRProductRegistryInfo"), __LINE__);
}

CQVRProductRegistryInfo& CQVRProductRegistryInfo::operator=(const CQVRProductRegistryInfo& other)
{
    qvrTraced(kThisFile, QVR_T("operator="), __LINE__, rkPassFail, [&] {
        m_strKey = other.m_strKey;
        m_strVersionValue = other.m_strVersionValue;
        m_strInstallValue = other.m_strInstallValue;
        return true;
    });
    return *this;
}

CQVRProductRegistryInfo& CQVRProductRegistryInfo::operator=(const CQVRProductRegistryInfo* pOther)
{
    if (pOther != nullptr)
        *this = *pOther;
    return *this;
}

bool CQVRProductRegistryInfo::operator==(const CQVRProductRegistryInfo& other) const
{
    return qvrTraced(kThisFile, QVR_T("operator=="), __LINE__, rkLogical, [&] {
        return m_strInstallValue == other.m_strInstallValue && m_strKey == other.m_strKey &&
               m_strVersionValue == other.m_strVersionValue;
    });
}

bool CQVRProductRegistryInfo::operator!=(const CQVRProductRegistryInfo& other) const
{
    return qvrTraced(kThisFile, QVR_T("operator!="), __LINE__, rkLogical, [&] { return !(*this == other); });
}
