// Platform handles with an owner: one template, and close traits per kind of
// handle (registry key, file, find, token, loaded library). The owner closes
// the handle when it goes out of scope; a failed close writes the warning
// that names the handle, unless the owner is the logging code itself, which
// must not log about its own files and keys.
#ifndef QVR_SCOPED_HANDLE_H
#define QVR_SCOPED_HANDLE_H

#include "qvr_platform.h"

#include <cstdint>

// Who is named when a close fails: the handle (a key path or a variable
// name) and the code that held it.
struct QVRCloseSite {
    const WCHAR* szName;
    const WCHAR* szClassName;
    const WCHAR* szMethodName;
    const WCHAR* szSourceFile;
    uint32_t ulLine;
};

template <class Traits> class CQVRScopedHandle {
public:
    typedef typename Traits::Handle Handle;

    // A silent owner: a failed close is only seen in close()'s result.
    CQVRScopedHandle() : m_h(Traits::invalid()), m_site(), m_bReport(false) {}
    // An owner that writes the close warning naming this site.
    explicit CQVRScopedHandle(const QVRCloseSite& site) : m_h(Traits::invalid()), m_site(site), m_bReport(true) {}
    ~CQVRScopedHandle() { close(); }

    CQVRScopedHandle(const CQVRScopedHandle&) = delete;
    CQVRScopedHandle& operator=(const CQVRScopedHandle&) = delete;

    Handle get() const { return m_h; }
    // The owner reads like the handle it holds.
    operator Handle() const { return m_h; }
    bool isValid() const { return m_h != Traits::invalid(); }

    // Takes over a handle; one already held is closed first.
    void reset(Handle h)
    {
        close();
        m_h = h;
    }
    // For the platform call that hands a handle out through a pointer.
    Handle* receive()
    {
        close();
        return &m_h;
    }
    // Gives the handle up without closing it.
    Handle release()
    {
        Handle h = m_h;
        m_h = Traits::invalid();
        return h;
    }

    // Closes a held handle. The handle is given up whatever the platform
    // answers; a failure gives false and, for a reporting owner, the warning.
    bool close()
    {
        if (!isValid())
            return true;
        const DWORD ulError = Traits::close(m_h);
        m_h = Traits::invalid();
        if (ulError == ERROR_SUCCESS)
            return true;
        if (m_bReport)
            Traits::warn(m_site, ulError);
        return false;
    }

private:
    Handle m_h;
    QVRCloseSite m_site;
    bool m_bReport;
};

// A registry key: RegCloseKey, "Unable to close registry key ( <path> )".
struct QVRRegKeyTraits {
    typedef HKEY Handle;
    static HKEY invalid() { return nullptr; }
    static DWORD close(HKEY h);
    static void warn(const QVRCloseSite& site, DWORD ulError);
};

// A file: CloseHandle, "Unable to free memory ( <name> )".
struct QVRFileTraits {
    typedef HANDLE Handle;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static DWORD close(HANDLE h);
    static void warn(const QVRCloseSite& site, DWORD ulError);
};

// A directory search: FindClose, warned about like a file.
struct QVRFindTraits {
    typedef HANDLE Handle;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static DWORD close(HANDLE h);
    static void warn(const QVRCloseSite& site, DWORD ulError) { QVRFileTraits::warn(site, ulError); }
};

// A kernel object whose open call answers null on failure (an access
// token, a process): CloseHandle, warned about like a file.
struct QVRKernelObjectTraits {
    typedef HANDLE Handle;
    static HANDLE invalid() { return nullptr; }
    static DWORD close(HANDLE h) { return QVRFileTraits::close(h); }
    static void warn(const QVRCloseSite& site, DWORD ulError) { QVRFileTraits::warn(site, ulError); }
};

// A loaded library: FreeLibrary, warned about like a file.
struct QVRModuleTraits {
    typedef HMODULE Handle;
    static HMODULE invalid() { return nullptr; }
    static DWORD close(HMODULE h);
    static void warn(const QVRCloseSite& site, DWORD ulError) { QVRFileTraits::warn(site, ulError); }
};

typedef CQVRScopedHandle<QVRRegKeyTraits> CQVRScopedKey;
typedef CQVRScopedHandle<QVRFileTraits> CQVRScopedFile;
typedef CQVRScopedHandle<QVRFindTraits> CQVRScopedFind;
typedef CQVRScopedHandle<QVRKernelObjectTraits> CQVRScopedToken;
typedef CQVRScopedHandle<QVRKernelObjectTraits> CQVRScopedProcess;
typedef CQVRScopedHandle<QVRModuleTraits> CQVRScopedModule;

#endif
