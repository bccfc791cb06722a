// The close traits' platform calls and warnings.
#include "core/qvr_scoped_handle.h"

#include "diagnostics/entries/qvr_close_handle_warning.h"
#include "diagnostics/entries/qvr_reg_close_key_warning.h"

DWORD QVRRegKeyTraits::close(HKEY h) { return static_cast<DWORD>(RegCloseKey(h)); }

void QVRRegKeyTraits::warn(const QVRCloseSite& site, DWORD ulError)
{
    CQVRRegCloseKeyWarning warning(site.szName, ulError, site.szClassName, site.szMethodName, site.szSourceFile,
                                   site.ulLine);
}

// A failed close that leaves no error code still counts as failed.
static DWORD lastErrorOrFailure()
{
    const DWORD ulError = GetLastError();
    return ulError != ERROR_SUCCESS ? ulError : static_cast<DWORD>(ERROR_INVALID_HANDLE);
}

DWORD QVRFileTraits::close(HANDLE h)
{
    return CloseHandle(h) ? static_cast<DWORD>(ERROR_SUCCESS) : lastErrorOrFailure();
}

void QVRFileTraits::warn(const QVRCloseSite& site, DWORD ulError)
{
    CCloseHandleWarning warning(site.szName, ulError, site.szSourceFile, site.ulLine);
}

DWORD QVRFindTraits::close(HANDLE h) { return FindClose(h) ? static_cast<DWORD>(ERROR_SUCCESS) : lastErrorOrFailure(); }

DWORD QVRModuleTraits::close(HMODULE h)
{
    return FreeLibrary(h) ? static_cast<DWORD>(ERROR_SUCCESS) : lastErrorOrFailure();
}
