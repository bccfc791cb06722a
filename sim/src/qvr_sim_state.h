// The substitute's machine model, shared by its function groups.
#ifndef QVR_SIM_STATE_H
#define QVR_SIM_STATE_H

#include "qvr_sim.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qvrsim {

// Windows compares names without regard to case (ASCII is enough here).
wstr lowerCase(const wstr& text);
std::string toUtf8(const wstr& text);
wstr fromUtf8(const std::string& text);
size_t length(LPCWSTR sz);

struct RegValue {
    wstr name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegKey {
    wstr name;
    std::map<wstr, std::unique_ptr<RegKey>> subKeys;  // by lower-case name
    std::map<wstr, RegValue> values;                  // by lower-case name
};

struct Machine {
    std::map<uintptr_t, RegKey> roots;
    // Open registry handles: the root and the path below it.
    struct KeyHandle {
        uintptr_t root;
        std::vector<wstr> path;
    };
    std::map<uintptr_t, KeyHandle> keyHandles;
    uintptr_t nextHandle = 0x1000;
    std::map<uintptr_t, int> fileHandles;  // handle -> host descriptor
    wstr modulePath;
    bool is64Bit = true;
    std::map<std::string, DWORD> failures;
};

Machine& machine();

// True (and the last error set) when a failure was injected for this call.
bool injectedFailure(const char* function);

}  // namespace qvrsim

#endif
