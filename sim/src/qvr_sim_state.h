// The substitute's machine model, shared by its function groups.
#ifndef QVR_SIM_STATE_H
#define QVR_SIM_STATE_H

#include "qvr_sim.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// Codes the library itself never names, but that Windows returns.
#define QVR_SIM_ERROR_SHARING_VIOLATION 32L
#define QVR_SIM_ERROR_FILE_EXISTS 80L
#define QVR_SIM_ERROR_NEGATIVE_SEEK 131L
#define QVR_SIM_ERROR_DIR_NOT_EMPTY 145L
#define QVR_SIM_ERROR_MOD_NOT_FOUND 126L
#define QVR_SIM_ERROR_BAD_PATHNAME 161L
#define QVR_SIM_ERROR_KEY_DELETED 1018L
#define QVR_SIM_ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define QVR_SIM_ERROR_RESOURCE_NAME_NOT_FOUND 1814L

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
    std::map<wstr, std::shared_ptr<RegKey>> subKeys;  // by lower-case name
    std::map<wstr, RegValue> values;                  // by lower-case name
    // A deleted key lives on for the handles still open on it, which then
    // get ERROR_KEY_DELETED, as on Windows.
    bool bDeleted = false;
};

struct OpenFile {
    int fd = -1;
    std::string host;  // the mapped path, for the sharing rules
    DWORD access = 0;
    DWORD share = 0;
};

struct FindSearch {
    std::vector<wstr> names;  // matching entries, in the order they are handed out
    std::string folder;       // the host folder searched
    size_t next = 0;
};

struct Machine {
    std::map<uintptr_t, std::shared_ptr<RegKey>> roots;
    std::map<uintptr_t, std::shared_ptr<RegKey>> keyHandles;
    uintptr_t nextHandle = 0x1000;
    std::map<uintptr_t, OpenFile> fileHandles;
    std::map<uintptr_t, FindSearch> findHandles;
    std::string drives = "c";  // lower-case letters
    wstr modulePath;
    LANGID uiLanguage = 0x0409;  // English US
    bool is64Bit = true;
    std::map<std::string, DWORD> failures;
};

Machine& machine();

// The handle of the program's own module (the image base of a Windows
// program); a null handle names it too.
extern const HMODULE kOwnModule;

// A handle value no other handle of the machine has.
uintptr_t newHandleValue();

// A path on a drive letter the machine does not have leads nowhere; a path
// without a drive letter is on the current drive.
bool onKnownDrive(LPCWSTR sz);

// The error injected for this call of the function, if any (used once).
// Registry functions return it; the others also make it the last error.
bool injectedFailure(const char* function, DWORD& error);

}  // namespace qvrsim

#endif
