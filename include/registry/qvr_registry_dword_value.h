// A name and its number: the element of a key's dword collection.
#ifndef QVR_REGISTRY_DWORD_VALUE_H
#define QVR_REGISTRY_DWORD_VALUE_H

#include "core/qvr_wchar_string.h"

#include <cstdint>

class CQVRRegistryDwordValue {
public:
    bool operator==(const CQVRRegistryDwordValue& other) const
    {
        return m_strName == other.m_strName && m_ulValue == other.m_ulValue;
    }
    bool operator!=(const CQVRRegistryDwordValue& other) const { return !(*this == other); }

    CQVRWCharString m_strName;
    uint32_t m_ulValue = 0;
};

#endif
