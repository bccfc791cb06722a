// A REG_SZ value. A successful read does not mark the object cached, so a
// cached read of a string always goes to the registry.
#ifndef QVR_REGISTRY_STRING_H
#define QVR_REGISTRY_STRING_H

#include "registry/qvr_registry_value.h"

class CQVRRegistryString : public CQVRRegistryValue {
public:
    CQVRRegistryString(HKEY hRootKey, const CQVRWCharString& strKeyPath, const CQVRWCharString& strValueName,
                       REGSAM samAccess, bool bCreateIfMissing, DWORD ulOptions);

    // The held text when bUseCache and cached; otherwise read first.
    bool getValue(CQVRWCharString& value, bool bUseCache);
    // Holds the text; writes it unless bDeferWrite.
    bool setValue(const CQVRWCharString& value, bool bDeferWrite);

    // At most 259 characters and the terminator can be read.
    bool readRegistry() override;
    bool writeRegistry() override;

    bool m_bCached;
    CQVRWCharString m_strValue;

protected:
    // The write of a text of type ulType; a failure names the calling type's
    // class and file.
    bool writeText(DWORD ulType, const QVRSourceFile& file, uint32_t ulLine);
};

#endif
