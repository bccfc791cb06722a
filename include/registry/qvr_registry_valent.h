// One value of a key as a multi-value query returns it: name, a private copy
// of its bytes, and its registry type. It never points into the system's
// buffer.
#ifndef QVR_REGISTRY_VALENT_H
#define QVR_REGISTRY_VALENT_H

#include "core/qvr_buffer.h"
#include "core/qvr_wchar_string.h"
#include "qvr_platform.h"

class CQVRRegistryValent {
public:
    CQVRRegistryValent();
    // From the system's record: the name, ve_valuelen bytes at ve_valueptr,
    // the type. Throws CQVRBufferInitException when they cannot be copied.
    explicit CQVRRegistryValent(const VALENTW& valent);

    // Equal when type, name and bytes are.
    bool operator==(const CQVRRegistryValent& other) const;
    bool operator!=(const CQVRRegistryValent& other) const { return !(*this == other); }

    CQVRWCharString m_strName;
    CQVRBuffer<unsigned char> m_Data;
    DWORD m_ulType;
};

#endif
