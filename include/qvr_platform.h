// The one seam between the library and the platform: the real Win32 headers
// on Windows, the substitute's declarations of the same names elsewhere.
#ifndef QVR_PLATFORM_H
#define QVR_PLATFORM_H

#ifdef _WIN32
// windows.h first: the other system headers build on it.
#include <windows.h>

#include <psapi.h>
#include <shlobj.h>

#include <cstdlib>
#define QVR_T(text) L##text
// Narrow text to UTF-16 through the C runtime's multibyte conversion (current
// locale); at most cchMax units, (size_t)-1 when the runtime refuses the text.
// The substitute declares the same function, with the "C" locale's answer.
inline size_t qvrMbsToWcs(WCHAR* szDest, const char* szSource, size_t cchMax)
{
    return std::mbstowcs(szDest, szSource, cchMax);
}
#else
#include "qvr_sim_win32.h"
#define QVR_T(text) u##text
#endif

#include <cstdint>

// The string keeps its elements as unsigned short; the platform speaks WCHAR
// (wchar_t on Windows, char16_t on the substitute). Both are 16 bits wide, and
// these two helpers are the only places that cast between them.
static_assert(sizeof(WCHAR) == sizeof(unsigned short), "WCHAR must be 16 bits");

inline const WCHAR* qvrWide(const unsigned short* p) { return reinterpret_cast<const WCHAR*>(p); }
inline WCHAR* qvrWide(unsigned short* p) { return reinterpret_cast<WCHAR*>(p); }
inline const unsigned short* qvrUnits(const WCHAR* p) { return reinterpret_cast<const unsigned short*>(p); }
inline unsigned short* qvrUnits(WCHAR* p) { return reinterpret_cast<unsigned short*>(p); }

// A 64-bit build sees the registry as the 32-bit installer does on 64-bit
// Windows: unless the caller chose a view, it gets the 32-bit one.
inline REGSAM qvrRegistryView(REGSAM samDesired)
{
    if (sizeof(void*) == 8 && (samDesired & (KEY_WOW64_64KEY | KEY_WOW64_32KEY)) == 0)
        return samDesired | KEY_WOW64_32KEY;
    return samDesired;
}

#endif
