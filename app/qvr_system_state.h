// The running Windows as the installer sees it: its version family and
// whether it is 32- or 64-bit.
#ifndef QVR_SYSTEM_STATE_H
#define QVR_SYSTEM_STATE_H

#include <cstdint>

struct SystemState {
    uint32_t osFamily = 0;      // 1: Vista or 7 (6.x), 2: XP or Server 2003 (5.1, 5.2), 0: other
    uint32_t platformType = 0;  // 2: 32-bit Windows, 1: 64-bit Windows, 0: other
};

// False when the operating system cannot be asked.
bool getSystemState(SystemState& state);

#endif
