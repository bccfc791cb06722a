// Enables or disables one named privilege in an access token, by default the
// running process's own. A privilege stays as set after the call.
#ifndef QVR_WINDOWS_PROCESS_H
#define QVR_WINDOWS_PROCESS_H

#include "core/qvr_wchar_string.h"
#include "qvr_platform.h"

class CQVRWindowsProcess {
public:
    CQVRWindowsProcess();
    ~CQVRWindowsProcess();

    // phToken points to the caller's token, used as it is and never closed;
    // when it holds null (or is null itself), the process's token is opened
    // and closed again here. Enabling a privilege the account does not hold
    // still succeeds, as the platform's adjustment does.
    bool setPrivilege(const CQVRWCharString& privilegeName, bool bEnable, HANDLE* phToken);
};

#endif
