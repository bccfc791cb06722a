// A name and its text: the element of a key's string collections (REG_SZ and
// REG_EXPAND_SZ values).
#ifndef QVR_REGISTRY_STRING_VALUE_H
#define QVR_REGISTRY_STRING_VALUE_H

#include "core/qvr_wchar_string.h"

class CQVRRegistryStringValue {
public:
    bool operator==(const CQVRRegistryStringValue& other) const
    {
        return m_strName == other.m_strName && m_strValue == other.m_strValue;
    }
    bool operator!=(const CQVRRegistryStringValue& other) const { return !(*this == other); }

    CQVRWCharString m_strName;
    CQVRWCharString m_strValue;
};

#endif
