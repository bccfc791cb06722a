// Strings from a module's string table, by default the program's own.
#ifndef QVR_WINDOWS_RESOURCE_H
#define QVR_WINDOWS_RESOURCE_H

#include "core/qvr_wchar_string.h"
#include "qvr_platform.h"

#include <cstdint>

class CQVRWindowsResource {
public:
    // The program's own module; a failure is logged and leaves no module.
    CQVRWindowsResource();
    // Frees a module this object loaded.
    ~CQVRWindowsResource();

    // The string of that ID in the user's language, at most 1,023
    // characters; a missing string is logged and target left as it was.
    bool loadString(uint32_t ulID, CQVRWCharString& target);

    HMODULE m_hModule;
    CQVRWCharString m_strResourceDll;  // empty for the program's own module
    bool m_bLoaded;
};

#endif
