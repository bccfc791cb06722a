// A name and its bytes: the element of a key's binary collection.
#ifndef QVR_REGISTRY_BINARY_VALUE_H
#define QVR_REGISTRY_BINARY_VALUE_H

#include "core/qvr_buffer.h"
#include "core/qvr_wchar_string.h"

class CQVRRegistryBinaryValue {
public:
    CQVRRegistryBinaryValue() : m_Data(0) {}

    bool operator==(const CQVRRegistryBinaryValue& other) const
    {
        return m_strName == other.m_strName && qvrSameElements(m_Data, other.m_Data);
    }
    bool operator!=(const CQVRRegistryBinaryValue& other) const { return !(*this == other); }

    CQVRWCharString m_strName;
    CQVRBuffer<unsigned char> m_Data;
};

#endif
