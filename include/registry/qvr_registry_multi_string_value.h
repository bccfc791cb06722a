// A name and its strings: the element of a key's multi-string collection.
#ifndef QVR_REGISTRY_MULTI_STRING_VALUE_H
#define QVR_REGISTRY_MULTI_STRING_VALUE_H

#include "core/qvr_string_list.h"

class CQVRRegistryMultiStringValue {
public:
    bool operator==(const CQVRRegistryMultiStringValue& other) const
    {
        return m_strName == other.m_strName && m_lstValue == other.m_lstValue;
    }
    bool operator!=(const CQVRRegistryMultiStringValue& other) const { return !(*this == other); }

    CQVRWCharString m_strName;
    CQVRStringList m_lstValue;
};

#endif
