// A REG_MULTI_SZ value: a list of strings, each ended by a zero, the list
// ended by one more.
#ifndef QVR_REGISTRY_MULTI_STRING_H
#define QVR_REGISTRY_MULTI_STRING_H

#include "core/qvr_string_list.h"
#include "registry/qvr_registry_value.h"

class CQVRRegistryMultiString : public CQVRRegistryValue {
public:
    CQVRRegistryMultiString(HKEY hRootKey, const CQVRWCharString& strKeyPath, const CQVRWCharString& strValueName,
                            REGSAM samAccess, bool bCreateIfMissing, DWORD ulOptions);

    // Holds the list; writes it unless bDeferWrite.
    bool setValue(const CQVRStringList& value, bool bDeferWrite);

    // Reads as much as the key's largest value holds.
    bool readRegistry() override;
    // An empty list is written as no bytes at all.
    bool writeRegistry() override;

    // The strings of multi-string data, keyed by their position: each zero
    // unit ends one; a string whose zero is followed by another zero is the
    // last, and data that holds no zero holds no string.
    static bool split(const CQVRBuffer<unsigned char>& data, CQVRStringList& strings);

    bool m_bCached;
    CQVRStringList m_lstValue;
};

#endif
