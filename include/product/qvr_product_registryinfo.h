// One registry location where a product may have registered itself: a key
// below HKEY_LOCAL_MACHINE and the names of its version and install
// directory values.
#ifndef QVR_PRODUCT_REGISTRYINFO_H
#define QVR_PRODUCT_REGISTRYINFO_H

#include "core/qvr_wchar_string.h"

class CQVRProductRegistryInfo {
public:
    CQVRProductRegistryInfo(const CQVRWCharString& key, const CQVRWCharString& versionValue,
                            const CQVRWCharString& installValue);
    CQVRProductRegistryInfo(const CQVRProductRegistryInfo& other);
    virtual ~CQVRProductRegistryInfo();
    virtual CQVRProductRegistryInfo& operator=(const CQVRProductRegistryInfo& other);
    virtual CQVRProductRegistryInfo& operator=(const CQVRProductRegistryInfo* pOther);

    // All three names equal, case-sensitively.
    bool operator==(const CQVRProductRegistryInfo& other) const;
    bool operator!=(const CQVRProductRegistryInfo& other) const;

    CQVRWCharString m_strKey;
    CQVRWCharString m_strVersionValue;
    CQVRWCharString m_strInstallValue;
};

#endif
