// A REG_BINARY value.
#ifndef QVR_REGISTRY_BINARY_H
#define QVR_REGISTRY_BINARY_H

#include "registry/qvr_registry_value.h"

class CQVRRegistryBinary : public CQVRRegistryValue {
public:
    CQVRRegistryBinary(HKEY hRootKey, const CQVRWCharString& strKeyPath, const CQVRWCharString& strValueName,
                       REGSAM samAccess, bool bCreateIfMissing, DWORD ulOptions);

    // Holds the bytes; writes them unless bDeferWrite.
    bool setValue(const CQVRBuffer<unsigned char>& value, bool bDeferWrite);

    // Asks for the size first, then reads exactly that many bytes.
    bool readRegistry() override;
    bool writeRegistry() override;

    bool m_bCached;
    CQVRBuffer<unsigned char> m_Data;
};

#endif
