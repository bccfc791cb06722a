// A REG_DWORD value.
#ifndef QVR_REGISTRY_DWORD_H
#define QVR_REGISTRY_DWORD_H

#include "registry/qvr_registry_value.h"

#include <cstdint>

class CQVRRegistryDword : public CQVRRegistryValue {
public:
    CQVRRegistryDword(HKEY hRootKey, const CQVRWCharString& strKeyPath, const CQVRWCharString& strValueName,
                      REGSAM samAccess, bool bCreateIfMissing, DWORD ulOptions);

    // The held number when bUseCache and cached; otherwise read first.
    bool getValue(uint32_t& ulValue, bool bUseCache);
    // Holds the number; writes it unless bDeferWrite.
    bool setValue(uint32_t ulValue, bool bDeferWrite);

    // Four bytes at most; a longer value cannot be read.
    bool readRegistry() override;
    bool writeRegistry() override;

    bool m_bCached;
    uint32_t m_ulValue;
};

#endif
