// A REG_EXPAND_SZ value: the stored text with its %name% references, which
// getValue can expand from the environment.
#ifndef QVR_REGISTRY_STRING_EXPAND_H
#define QVR_REGISTRY_STRING_EXPAND_H

#include "registry/qvr_registry_string.h"

class CQVRRegistryStringExpand : public CQVRRegistryString {
public:
    CQVRRegistryStringExpand(HKEY hRootKey, const CQVRWCharString& strKeyPath, const CQVRWCharString& strValueName,
                             REGSAM samAccess, bool bCreateIfMissing, DWORD ulOptions);

    using CQVRRegistryString::getValue;
    // With bExpand, the text with the environment's values in place of its
    // references; false when the expansion cannot be done whole.
    bool getValue(CQVRWCharString& value, bool bUseCache, bool bExpand);

    // Only a text with an even, non-zero number of "%" is written.
    bool writeRegistry() override;
};

#endif
