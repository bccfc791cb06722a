// Machine reset, test-side set-up, the last error and failure injection.
#include "qvr_sim_state.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <unistd.h>

namespace qvrsim {

namespace {
thread_local DWORD t_lastError = 0;

// Plain counters: the allocation functions must not allocate themselves.
size_t g_allocations = 0;
size_t g_failAtAllocation = 0;

std::string& sandbox()
{
    static std::string root;
    if (root.empty()) {
        // Tests make the machine afresh hundreds of times: in memory where
        // the host has a file system there, as a disk makes that slow.
        const char* base = std::getenv("TMPDIR");
        const bool bMemory = access("/dev/shm", W_OK | X_OK) == 0;
        root = std::string(base && *base ? base
                           : bMemory     ? "/dev/shm"
                                         : "/tmp") +
               "/qvrsim-" + std::to_string(getpid());
        std::filesystem::create_directories(root + "/c");
        // The sandbox lives as long as the process; nothing of it is kept.
        // Without the exit step the sandbox stays behind in the temp folder.
        static_cast<void>(std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(sandbox(), ec);
        }));
    }
    return root;
}

wstr defaultModulePath()
{
    // The test program's own name, as it would stand in a Windows folder.
    std::error_code ec;
    std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).filename().string();
    if (self.empty())
        self = "program";
    return fromUtf8("C:\\qvrtest\\bin\\" + self + ".exe");
}

Machine freshMachine()
{
    Machine fresh;
    fresh.modulePath = defaultModulePath();
    startProcesses(fresh);
    startPrivileges(fresh);
    startEnvironment(fresh);
    startSystem(fresh);
    return fresh;
}

void closeFiles(Machine& m)
{
    for (auto& entry : m.fileHandles)
        ::close(entry.second.fd);
    m.fileHandles.clear();
}

// A volatile key only has volatile keys below it, so it goes whole.
void dropVolatileKeys(RegKey& key)
{
    for (auto it = key.subKeys.begin(); it != key.subKeys.end();) {
        if (it->second->bVolatile) {
            it = key.subKeys.erase(it);
        } else {
            dropVolatileKeys(*it->second);
            ++it;
        }
    }
}
}  // namespace

Machine& machine()
{
    static Machine m = freshMachine();
    return m;
}

void reset()
{
    resetAllocations();
    Machine& m = machine();
    closeFiles(m);
    // The folders go first: a fresh machine makes those every Windows has.
    std::error_code ec;
    std::filesystem::remove_all(sandbox(), ec);
    std::filesystem::create_directories(sandbox() + "/c", ec);
    m = freshMachine();
    t_lastError = 0;
}

void restart()
{
    Machine& m = machine();
    closeFiles(m);
    m.findHandles.clear();
    m.keyHandles.clear();
    m.tokenHandles.clear();
    m.libraryReferences.clear();
    m.mutexHandles.clear();
    m.mutexes.clear();
    startProcesses(m);
    for (auto& root : m.roots)
        dropVolatileKeys(*root.second);
    startPrivileges(m);
    startEnvironment(m);
    t_lastError = 0;
}

std::string sandboxRoot() { return sandbox(); }

// The running program's own process runs that image too.
void setModulePath(const wstr& path)
{
    machine().modulePath = path;
    if (Process* self = findProcess(GetCurrentProcessId()))
        self->imagePath = path;
}

void set64BitWindows(bool b64Bit) { machine().is64Bit = b64Bit; }

void addDrive(char letter)
{
    char lower = static_cast<char>(letter >= 'A' && letter <= 'Z' ? letter + 32 : letter);
    Machine& m = machine();
    if (m.drives.find(lower) == std::string::npos)
        m.drives += lower;
    std::error_code ec;
    std::filesystem::create_directories(sandbox() + "/" + lower, ec);
}

size_t openHandles()
{
    const Machine& m = machine();
    return m.keyHandles.size() + m.fileHandles.size() + m.findHandles.size() + m.tokenHandles.size() +
           m.processHandles.size() + m.mutexHandles.size();
}

bool onKnownDrive(LPCWSTR sz)
{
    if (sz == nullptr || sz[0] == 0 || sz[1] != u':')
        return true;
    char16_t letter = sz[0] >= u'A' && sz[0] <= u'Z' ? static_cast<char16_t>(sz[0] + 32) : sz[0];
    return letter >= u'a' && letter <= u'z' &&
           qvrsim::machine().drives.find(static_cast<char>(letter)) != std::string::npos;
}

uintptr_t newHandleValue()
{
    Machine& m = machine();
    uintptr_t h = m.nextHandle;
    m.nextHandle += 4;
    return h;
}

void failNext(const std::string& function, DWORD error, size_t times)
{
    if (times > 0)
        machine().failures[function] = std::make_pair(error, times);
}

void resetCalls()
{
    Machine& m = machine();
    m.calls.clear();
    m.failAtCall = 0;
}

const std::vector<std::string>& callsMade() { return machine().calls; }

void resetAllocations()
{
    g_allocations = 0;
    g_failAtAllocation = 0;
}

size_t allocationsMade() { return g_allocations; }

void failAllocation(size_t n) { g_failAtAllocation = n; }

// Whether the allocation being made is the one to fail.
static bool allocationFails()
{
    if (++g_allocations != g_failAtAllocation)
        return false;
    g_failAtAllocation = 0;
    return true;
}

void failCall(size_t n) { machine().failAtCall = n; }

DWORD plausibleError(const std::string& function)
{
    static const std::map<std::string, DWORD> kErrors = {
        {"RegQueryValueExW", ERROR_FILE_NOT_FOUND},
        {"RegEnumKeyExW", ERROR_NOT_ENOUGH_MEMORY},
        {"RegEnumValueW", ERROR_NOT_ENOUGH_MEMORY},
        {"RegQueryInfoKeyW", ERROR_NOT_ENOUGH_MEMORY},
        {"RegQueryMultipleValuesW", ERROR_NOT_ENOUGH_MEMORY},
        {"RegCloseKey", ERROR_INVALID_HANDLE},
        {"CreateFileW", QVR_SIM_ERROR_SHARING_VIOLATION},
        {"ReadFile", QVR_SIM_ERROR_SHARING_VIOLATION},
        {"GetFileVersionInfoSizeW", QVR_SIM_ERROR_SHARING_VIOLATION},
        {"GetFileVersionInfoW", QVR_SIM_ERROR_SHARING_VIOLATION},
        {"GetPrivateProfileStringW", QVR_SIM_ERROR_SHARING_VIOLATION},
        {"GetPrivateProfileIntW", QVR_SIM_ERROR_SHARING_VIOLATION},
        {"GetPrivateProfileSectionW", QVR_SIM_ERROR_SHARING_VIOLATION},
        {"GetPrivateProfileSectionNamesW", QVR_SIM_ERROR_SHARING_VIOLATION},
        {"WriteFile", QVR_SIM_ERROR_DISK_FULL},
        {"CloseHandle", ERROR_INVALID_HANDLE},
        {"FindClose", ERROR_INVALID_HANDLE},
        {"FreeLibrary", ERROR_INVALID_HANDLE},
        {"SetFilePointer", ERROR_INVALID_HANDLE},
        {"GetCurrentProcess", ERROR_INVALID_HANDLE},
        {"FindFirstFileW", ERROR_FILE_NOT_FOUND},
        {"GetModuleHandleW", ERROR_FILE_NOT_FOUND},
        {"LoadLibraryW", ERROR_FILE_NOT_FOUND},
        {"GetProcAddress", ERROR_FILE_NOT_FOUND},
        {"FindResourceExW", ERROR_FILE_NOT_FOUND},
        {"GetEnvironmentVariableW", ERROR_NOT_ENOUGH_MEMORY},
        {"SetEnvironmentVariableW", ERROR_NOT_ENOUGH_MEMORY},
        {"ExpandEnvironmentStringsW", ERROR_NOT_ENOUGH_MEMORY},
        {"FindNextFileW", ERROR_NOT_ENOUGH_MEMORY},
        {"GetModuleFileNameW", ERROR_NOT_ENOUGH_MEMORY},
        {"GetModuleFileNameExW", ERROR_ACCESS_DENIED},
        {"GetCurrentDirectoryW", ERROR_NOT_ENOUGH_MEMORY},
        {"GetVersionExW", ERROR_NOT_ENOUGH_MEMORY},
        {"LoadStringW", ERROR_NOT_ENOUGH_MEMORY},
        {"LookupPrivilegeValueW", ERROR_NOT_ENOUGH_MEMORY},
        {"MessageBoxW", ERROR_NOT_ENOUGH_MEMORY},
        {"VerQueryValueW", ERROR_NOT_ENOUGH_MEMORY},
        {"SHGetFolderPathW", ERROR_NOT_ENOUGH_MEMORY},
        {"EnumProcesses", ERROR_NOT_ENOUGH_MEMORY},
        {"ShellExecuteW", ERROR_FILE_NOT_FOUND},
        {"GetSystemDirectoryW", ERROR_NOT_ENOUGH_MEMORY},
        {"QueryFullProcessImageNameW", ERROR_ACCESS_DENIED},
        {"GetProcessImageFileNameW", ERROR_ACCESS_DENIED},
        {"QueryDosDeviceW", ERROR_NOT_ENOUGH_MEMORY},
        {"GetLogicalDriveStringsW", ERROR_NOT_ENOUGH_MEMORY},
        {"CreateMutexW", ERROR_ACCESS_DENIED},
        {"WaitForSingleObject", ERROR_INVALID_HANDLE},
        {"ReleaseMutex", ERROR_INVALID_HANDLE},
    };
    auto it = kErrors.find(function);
    return it == kErrors.end() ? ERROR_ACCESS_DENIED : it->second;
}

bool injectedFailure(const char* function, DWORD& error)
{
    Machine& m = machine();
    m.calls.push_back(function);
    if (m.failAtCall == m.calls.size()) {
        m.failAtCall = 0;
        error = plausibleError(function);
        return true;
    }
    auto& failures = m.failures;
    auto it = failures.find(function);
    if (it == failures.end())
        return false;
    error = it->second.first;
    if (--it->second.second == 0)
        failures.erase(it);
    return true;
}

bool injectedLastError(const char* function)
{
    DWORD error;
    if (!injectedFailure(function, error))
        return false;
    SetLastError(error);
    return true;
}

// ASCII and the Latin letters of the installer's languages (Latin-1 and
// Latin Extended-A), Greek and Cyrillic: enough for names to match and sort
// as they do on Windows.
wstr lowerCase(const wstr& text)
{
    wstr lower(text);
    for (auto& ch : lower) {
        char16_t c = ch;
        if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
            (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
            ch = static_cast<char16_t>(c + 0x20);
        else if (c >= 0x400 && c <= 0x40F)
            ch = static_cast<char16_t>(c + 0x50);
        else if (c == 0x178)
            ch = 0xFF;
        else if ((c >= 0x100 && c <= 0x137 && c != 0x130 && c != 0x131) || (c >= 0x14A && c <= 0x177))
            ch = static_cast<char16_t>(c | 1);
        else if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            ch = static_cast<char16_t>(c + (c & 1));
    }
    return lower;
}

uint64_t fileTimeNow()
{
    // 100-nanosecond units since 1601, the FILETIME epoch.
    const uint64_t kUnixEpoch = 116444736000000000ull;
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return kUnixEpoch +
           static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count()) * 10;
}

size_t length(LPCWSTR sz)
{
    size_t n = 0;
    while (sz && sz[n])
        ++n;
    return n;
}

std::string toUtf8(const wstr& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

wstr fromUtf8(const std::string& text)
{
    wstr out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        uint32_t cp = c;
        size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra)
            cp = c & (0x3F >> extra);
        for (size_t k = 1; k <= extra && i + k < text.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

}  // namespace qvrsim

// The heap as the library asks it, through the allocation functions the
// ordinary ones stand behind.
void* operator new(std::size_t cb, const std::nothrow_t&) noexcept
{
    if (qvrsim::allocationFails())
        return nullptr;
    try {
        return ::operator new(cb);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t cb, const std::nothrow_t&) noexcept
{
    if (qvrsim::allocationFails())
        return nullptr;
    try {
        return ::operator new[](cb);
    } catch (...) {
        return nullptr;
    }
}

DWORD GetLastError() { return qvrsim::t_lastError; }
void SetLastError(DWORD dwErrCode) { qvrsim::t_lastError = dwErrCode; }

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    DWORD error;
    if (qvrsim::injectedFailure("GetModuleFileNameW", error)) {
        SetLastError(error);
        return 0;
    }
    if (hModule != nullptr && hModule != qvrsim::kOwnModule) {
        SetLastError(QVR_SIM_ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const qvrsim::wstr& path = qvrsim::machine().modulePath;
    // As Wine does: a path that does not fit is cut to the buffer, without a
    // terminator, the result is the buffer size and the last error
    // ERROR_INSUFFICIENT_BUFFER; a path that fits clears the last error.
    DWORD cch = static_cast<DWORD>(path.size()) < nSize ? static_cast<DWORD>(path.size()) : nSize;
    for (DWORD i = 0; i < cch; ++i)
        lpFilename[i] = path[i];
    if (cch < nSize) {
        lpFilename[cch] = 0;
        SetLastError(ERROR_SUCCESS);
    } else {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    }
    return cch;
}
