// Restarts Windows for the calling process: the shutdown privilege enabled,
// an optional Yes/No question, the restart, the privilege disabled again.
#ifndef QVR_WIN_REBOOT_H
#define QVR_WIN_REBOOT_H

#include "core/qvr_scoped_handle.h"
#include "core/qvr_wchar_string.h"
#include "qvr_platform.h"

#include <cstdint>

class CQVRWinReboot {
public:
    // Kinds of doReboot.
    enum RebootKind : uint32_t { rkRestart = 0, rkPowerOff = 1 };

    CQVRWinReboot();
    // Closes the token when it was opened.
    ~CQVRWinReboot();

    bool setShutdownPrivilege();
    // Disables the privilege again; always true.
    bool resetShutdownPrivilege();
    // With bAsk, the restart happens only on a Yes; a No is no failure.
    bool doReboot(uint32_t ulKind, bool bAsk, const CQVRWCharString& title, const CQVRWCharString& message,
                  HWND hParent);
    // A restart, and the privilege disabled whatever happened.
    bool rebootSystem(bool bAsk, const CQVRWCharString& title, const CQVRWCharString& message, HWND hParent);

    CQVRScopedToken m_hToken;
    TOKEN_PRIVILEGES m_TokenPrivileges;
};

#endif
