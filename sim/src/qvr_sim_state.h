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
#define QVR_SIM_ERROR_DISK_FULL 112L
#define QVR_SIM_ERROR_FILE_EXISTS 80L
#define QVR_SIM_ERROR_NEGATIVE_SEEK 131L
#define QVR_SIM_ERROR_DIR_NOT_EMPTY 145L
#define QVR_SIM_ERROR_MOD_NOT_FOUND 126L
#define QVR_SIM_ERROR_BAD_PATHNAME 161L
#define QVR_SIM_ERROR_KEY_DELETED 1018L
#define QVR_SIM_ERROR_BADDB 1009L
#define QVR_SIM_ERROR_CHILD_MUST_BE_VOLATILE 1021L
#define QVR_SIM_ERROR_NOACCESS 998L
#define QVR_SIM_ERROR_RPC_SERVER_UNAVAILABLE 1722L
#define QVR_SIM_ERROR_BAD_FORMAT 11L
#define QVR_SIM_ERROR_BAD_EXE_FORMAT 193L
#define QVR_SIM_ERROR_NO_ASSOCIATION 1155L
#define QVR_SIM_ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define QVR_SIM_ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define QVR_SIM_ERROR_RESOURCE_TYPE_NOT_FOUND 1813L

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
    // A volatile key is not saved and does not outlive a restart.
    bool bVolatile = false;
    uint64_t lastWrite = 0;  // FILETIME units
};

// An open registry key and the access it was opened with.
struct KeyHandle {
    std::shared_ptr<RegKey> key;
    REGSAM access = 0;
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
    std::map<uintptr_t, KeyHandle> keyHandles;
    uintptr_t nextHandle = 0x1000;
    std::map<uintptr_t, OpenFile> fileHandles;
    std::map<uintptr_t, FindSearch> findHandles;
    std::string drives = "c";  // lower-case letters
    wstr modulePath;
    LANGID uiLanguage = 0x0409;  // English US
    bool is64Bit = true;
    std::map<std::string, std::pair<DWORD, size_t>> failures;  // the error, and how many calls more
    std::vector<std::string> calls;                            // counted since resetCalls
    size_t failAtCall = 0;                                     // 0: no counted call is made to fail

    // ---- access token and environment
    // The privileges the account holds, by LUID, with their attributes
    // (SE_PRIVILEGE_ENABLED when enabled); one token for the whole process.
    std::map<DWORD, DWORD> privileges;
    std::map<uintptr_t, DWORD> tokenHandles;  // the access each was opened with
    // By lower-case name: the name as set and the value.
    std::map<wstr, std::pair<wstr, wstr>> environment;
    // ---- end of token and environment

    // ---- Windows version, shell, message boxes, restart
    DWORD osMajor = 6;
    DWORD osMinor = 1;
    DWORD osBuild = 7601;
    WORD servicePack = 1;
    bool bVersionExtendedFails = false;
    bool bVersionFails = false;
    std::map<DWORD, bool> shellQueries;
    bool bShellLibrary = true;
    long libraryLoads = 0;                        // LoadLibraryW successes less FreeLibrary successes
    std::map<uintptr_t, long> libraryReferences;  // by module: loads less frees
    std::vector<wstr> librariesLoaded;            // every name LoadLibraryW was given
    std::vector<int> messageBoxAnswers;
    std::vector<MessageBoxShown> messageBoxes;
    std::vector<UINT> restarts;
    wstr commonAppData = u"C:\\ProgramData";
    // ---- end of system

    // ---- processes, waits, the current directory, file attributes
    std::vector<Process> processes;
    DWORD nextProcessId = 0;
    std::map<uintptr_t, std::pair<DWORD, DWORD>> processHandles;  // process id and access
    uint64_t sleptMilliseconds = 0;
    wstr currentDirectory = u"C:\\";
    // By host path: the attributes set on a file or folder beyond the one
    // its kind gives (FILE_ATTRIBUTE_ARCHIVE or FILE_ATTRIBUTE_DIRECTORY).
    std::map<std::string, DWORD> fileAttributes;
    // ---- end of processes

    // ---- named mutexes: by name, and the name each handle was opened on
    struct Mutex {
        long handles = 0;
        DWORD ownedCount = 0;     // the program's waits less its releases
        bool bAbandoned = false;  // its last owner ended holding it
    };
    std::map<wstr, Mutex> mutexes;
    std::map<uintptr_t, wstr> mutexHandles;
    // ---- end of named mutexes
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

// ---- shared by the registry, token, environment and file groups
// A process starts with the privileges the account holds in their default
// state (enabled by default or not) and with Windows' default environment.
void startPrivileges(Machine& m);
void startEnvironment(Machine& m);
// Whether the process token has the privilege (by LUID) enabled.
bool privilegeEnabledByLuid(DWORD luid);
// The LUID of a privilege name (case ignored); 0 for a name Windows does not know.
DWORD privilegeLuid(const wstr& name);
// Closes a token handle; false when the handle is none.
bool closeTokenHandle(uintptr_t h);
// Where a file path lives in the sandbox: ERROR_SUCCESS with the host path
// when its drive and folder exist (the file itself may not), otherwise the
// error Windows gives for the path.
DWORD locateFile(LPCWSTR path, std::string& host);
// What a Windows has from the start: the service pack in the registry and
// the common application-data folder.
void startSystem(Machine& m);
// The machine's clock in FILETIME units.
uint64_t fileTimeNow();
// The substitute's own hive file format: a key with its values and its
// non-volatile subkeys; loading fails for bytes that are not such a file.
std::vector<BYTE> saveHive(const RegKey& key);
bool loadHive(const std::vector<BYTE>& bytes, RegKey& key);
// The process table of a machine just started: the idle process, System
// and the running program.
void startProcesses(Machine& m);
// Closes a process handle; false when the handle is none.
bool closeProcessHandle(uintptr_t h);
// Closes a mutex handle; false when the handle is none.
bool closeMutexHandle(uintptr_t h);
// A path as Windows completes it: a relative one against the current
// directory, one starting with a backslash on the current drive.
wstr fullPath(const wstr& path);
// An existing file or folder: ERROR_SUCCESS with its host path and whether
// it is a folder, otherwise the error Windows gives for the path.
DWORD locateExisting(LPCWSTR path, std::string& host, bool& bFolder);
// Whether handles open on the host file let another open it with this
// access and sharing (the rules of CreateFileW).
bool sharingAllows(const std::string& host, DWORD access, DWORD share);
// The shell library's operating-system query (ordinal 437 of shlwapi.dll).
BOOL WINAPI shellOSQuery(DWORD query);
// A system library that is loaded now, by file name or path; null otherwise.
HMODULE loadedSystemModule(LPCWSTR szName);
// ---- end of shared helpers

// Counts the call, then gives the error injected for it, if any (used
// once). Registry functions return it; the others also make it the last
// error.
bool injectedFailure(const char* function, DWORD& error);
// Whether this call of the function fails by injection; its error is then
// the last error, as a real failure's would be.
bool injectedLastError(const char* function);

}  // namespace qvrsim

#endif
