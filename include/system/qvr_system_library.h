// A library of Windows' own, loaded only by its full path in the system
// folder. Windows looks for a library named without a path in the program's
// own folder first, and a patch package is a folder that others may be able
// to write: a version.dll left beside the elevated installer would run
// inside it. So the program imports only the libraries every process has
// from its start (kernel32, user32, advapi32, shell32, msvcrt) and loads
// every other one through this class. Windows 2000 and XP have no
// SetDefaultDllDirectories; a full path works on all of them, and under
// WOW64 the system folder is the 32-bit one by itself.
#ifndef QVR_SYSTEM_LIBRARY_H
#define QVR_SYSTEM_LIBRARY_H

#include "core/qvr_scoped_handle.h"
#include "qvr_platform.h"

class CQVRSystemLibrary {
public:
    // Loads the library ("version.dll") from the system folder; isLoaded
    // tells whether that worked.
    explicit CQVRSystemLibrary(const WCHAR* szFileName);
    ~CQVRSystemLibrary();
    CQVRSystemLibrary(const CQVRSystemLibrary&) = delete;
    CQVRSystemLibrary& operator=(const CQVRSystemLibrary&) = delete;

    bool isLoaded() const { return m_module.isValid(); }

    // An export by name, or by ordinal (MAKEINTRESOURCEA), as a pointer of the
    // function's own type; null when the library is not loaded or lacks it.
    template <class F> F getFunction(LPCSTR szName) const { return cast<F>(lookUp(m_module, szName)); }

    // An export of kernel32, which every process has loaded; null where this
    // Windows lacks it (GetNativeSystemInfo before XP,
    // QueryFullProcessImageNameW before Vista).
    template <class F> static F getKernelFunction(LPCSTR szName) { return cast<F>(lookUp(kernelModule(), szName)); }

private:
    static HMODULE kernelModule();
    static FARPROC lookUp(HMODULE hModule, LPCSTR szName);
    template <class F> static F cast(FARPROC pFunction)
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(pFunction));
    }

    CQVRScopedModule m_module;
};

// A function of a loaded library by its own name, typed as the platform
// declares it.
#define QVR_SYSTEM_FUNCTION(library, name) (library).getFunction<decltype(&::name)>(#name)

#endif
