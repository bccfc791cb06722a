// The installer's entry and decision chain: the silent switch and the gates in
// their fixed order, whose outcome is a message (qvr_patch_messages.h) or the
// patch procedure.
#ifndef QVR_PATCH_DRIVER_H
#define QVR_PATCH_DRIVER_H

#include "core/qvr_wchar_string.h"
#include "qvr_patch_messages.h"
#include "qvr_platform.h"

#include <cstdint>

struct InstalledVersion {
    CQVRWCharString text;  // as registered, "8.20.23"
    int32_t release = 0;   // first and second field joined: 820
    int32_t build = 0;     // third field: 23
};

// The whole run for this command-line tail; 0 on every path.
int runPatch(const WCHAR* szCommandLine);
// Whether the command-line tail asks for a silent run ("/s", "/S", "-s",
// "-S" anywhere).
bool isSilentCommandLine(const WCHAR* szCommandLine);

GateResult checkPrerequisites();
bool getInstalledVersion(InstalledVersion& version);

#endif
