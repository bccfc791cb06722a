// The running Windows as the installer sees it.
#include "qvr_system_state.h"

#include "qvr_guard.h"
#include "system/qvr_windows_os_info.h"

static const QVRSourceFile kThisFile = {nullptr, QVR_T("qvr_system_state.cpp"), QVRErrorSource::LastError};

bool getSystemState(SystemState& state)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWindowsOSInfo info;
        const double dVersion = info.m_dVersion;
        state.osFamily = dVersion >= 6.0 && dVersion < 7.0 ? 1 : dVersion >= 5.1 && dVersion < 6.0 ? 2 : 0;
        const uint32_t ulPlatform = info.getPlatform();
        state.platformType = ulPlatform == CQVRWindowsOSInfo::wp32Bit   ? 2
                             : ulPlatform == CQVRWindowsOSInfo::wp64Bit ? 1
                                                                        : 0;
        return true;
    });
}
