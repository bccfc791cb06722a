// The running Windows: its version family, its platform, and facts gathered
// once at construction (two shell operating-system queries, the service
// pack, a preinstallation environment).
#ifndef QVR_WINDOWS_OS_INFO_H
#define QVR_WINDOWS_OS_INFO_H

#include "qvr_platform.h"

#include <cstdint>

class CQVRWindowsOSInfo {
public:
    // Platform codes of getPlatform.
    // wpUnknown only when the processor cannot be asked at all.
    enum Platform : uint32_t { wpUnknown = 0, wp32Bit = 1, wp64Bit = 2 };

    // Throws CQVRWindowsOSInfoInitNeededException when the version cannot be
    // had: the object must not be used then.
    CQVRWindowsOSInfo();
    ~CQVRWindowsOSInfo();

    // 2 on a 64-bit Windows (also for a 32-bit process on it), else 1; 0
    // when the processor cannot be asked.
    uint32_t getPlatform();
    // 5.1 up to, not including, 6.0 (so 5.2 too).
    bool isXP();
    // 6.0 up to, not including, 7.0 (so 6.1 too).
    bool isVista();
    // The shell's operating-system query: bAnswer is its yes or no; false
    // when the query cannot be made.
    bool performOSQueryFunction(uint32_t ulQuery, bool& bAnswer);
    // Whether "QVRDrive" is set to a value (a preinstallation environment).
    bool performPECheck();

    bool m_bXPOrGreater;
    bool m_bQuery37;
    bool m_bPE;
    uint32_t m_ulServicePack;
    double m_dVersion;
};

#endif
