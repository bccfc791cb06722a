// The Windows version, the processor, the shell library's operating-system
// query, message boxes answered from a script, restarts recorded, and the
// common application-data folder.
#include "qvr_sim_state.h"

#include <filesystem>

namespace {

const uintptr_t kShellLibrary = 0x5A100000u;
const DWORD kExtendedRecordSize = sizeof(OSVERSIONINFOEXW);
const DWORD kBasicRecordSize = sizeof(OSVERSIONINFOW);
const WORD kOSQueryOrdinal = 437;
const DWORD kShutdownLuid = 19;
const DWORD kErrorModNotFound = 126;
const DWORD kErrorProcNotFound = 127;

bool failed(const char* function)
{
    DWORD error;
    if (!qvrsim::injectedFailure(function, error))
        return false;
    SetLastError(error);
    return true;
}

bool isShellLibrary(LPCWSTR szName)
{
    const qvrsim::wstr name = qvrsim::lowerCase(szName ? qvrsim::wstr(szName) : qvrsim::wstr());
    const qvrsim::wstr kName = u"shlwapi.dll";
    return name == kName || (name.size() > kName.size() &&
                             name.compare(name.size() - kName.size() - 1, qvrsim::wstr::npos, u"\\" + kName) == 0);
}

// The shell's operating-system query, as the library exports it.
BOOL WINAPI shellOSQuery(DWORD query)
{
    auto& answers = qvrsim::machine().shellQueries;
    auto it = answers.find(query);
    return it != answers.end() && it->second ? TRUE : FALSE;
}

}  // namespace

namespace qvrsim {

void setWindowsVersion(DWORD major, DWORD minor, DWORD build, WORD servicePack, bool bExtendedFails, bool bAllFail)
{
    Machine& m = machine();
    m.osMajor = major;
    m.osMinor = minor;
    m.osBuild = build;
    m.servicePack = servicePack;
    m.bVersionExtendedFails = bExtendedFails;
    m.bVersionFails = bAllFail;
}

void setShellQuery(DWORD query, bool bAnswer) { machine().shellQueries[query] = bAnswer; }

void setShellLibraryPresent(bool bPresent) { machine().bShellLibrary = bPresent; }

void queueMessageBoxAnswers(const std::vector<int>& answers)
{
    auto& queue = machine().messageBoxAnswers;
    queue.insert(queue.end(), answers.begin(), answers.end());
}

const std::vector<MessageBoxShown>& messageBoxesShown() { return machine().messageBoxes; }

const std::vector<UINT>& restartsAsked() { return machine().restarts; }

void setCommonAppData(const wstr& path) { machine().commonAppData = path; }

size_t loadedLibraries() { return machine().libraries.size(); }

}  // namespace qvrsim

BOOL GetVersionExW(LPOSVERSIONINFOW lpVersionInformation)
{
    if (failed("GetVersionExW"))
        return FALSE;
    const qvrsim::Machine& m = qvrsim::machine();
    const DWORD ulSize = lpVersionInformation ? lpVersionInformation->dwOSVersionInfoSize : 0;
    if ((ulSize != kBasicRecordSize && ulSize != kExtendedRecordSize) || m.bVersionFails ||
        (ulSize == kExtendedRecordSize && m.bVersionExtendedFails)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    lpVersionInformation->dwMajorVersion = m.osMajor;
    lpVersionInformation->dwMinorVersion = m.osMinor;
    lpVersionInformation->dwBuildNumber = m.osBuild;
    lpVersionInformation->dwPlatformId = 2;  // VER_PLATFORM_WIN32_NT
    const qvrsim::wstr servicePack =
        m.servicePack ? u"Service Pack " + qvrsim::fromUtf8(std::to_string(m.servicePack)) : qvrsim::wstr();
    for (size_t i = 0; i < 128; ++i)
        lpVersionInformation->szCSDVersion[i] = i < servicePack.size() ? servicePack[i] : 0;
    if (ulSize == kExtendedRecordSize) {
        OSVERSIONINFOEXW* pExtended = reinterpret_cast<OSVERSIONINFOEXW*>(lpVersionInformation);
        pExtended->wServicePackMajor = m.servicePack;
        pExtended->wServicePackMinor = 0;
        pExtended->wSuiteMask = 0;
        pExtended->wProductType = 1;  // VER_NT_WORKSTATION
    }
    return TRUE;
}

void GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo)
{
    if (lpSystemInfo == nullptr)
        return;
    *lpSystemInfo = SYSTEM_INFO();
    lpSystemInfo->wProcessorArchitecture =
        qvrsim::machine().is64Bit ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
    lpSystemInfo->dwPageSize = 4096;
    lpSystemInfo->dwNumberOfProcessors = 2;
    lpSystemInfo->dwAllocationGranularity = 65536;
}

// Only the shell library is there to be loaded.
HMODULE LoadLibraryW(LPCWSTR lpLibFileName)
{
    if (failed("LoadLibraryW"))
        return nullptr;
    if (!isShellLibrary(lpLibFileName) || !qvrsim::machine().bShellLibrary) {
        SetLastError(kErrorModNotFound);
        return nullptr;
    }
    ++qvrsim::machine().libraries[kShellLibrary];
    return reinterpret_cast<HMODULE>(kShellLibrary);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    if (failed("GetProcAddress"))
        return nullptr;
    const uintptr_t ordinal = reinterpret_cast<uintptr_t>(lpProcName);
    if (reinterpret_cast<uintptr_t>(hModule) != kShellLibrary ||
        qvrsim::machine().libraries.count(kShellLibrary) == 0 || ordinal != kOSQueryOrdinal) {
        SetLastError(kErrorProcNotFound);
        return nullptr;
    }
    // Handed out as the platform does: the caller casts it back.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&shellOSQuery));
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    if (failed("FreeLibrary"))
        return FALSE;
    auto& libraries = qvrsim::machine().libraries;
    auto it = libraries.find(reinterpret_cast<uintptr_t>(hLibModule));
    if (it == libraries.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--it->second == 0)
        libraries.erase(it);
    return TRUE;
}

// The next scripted answer; none left is a box that could not be shown.
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    if (failed("MessageBoxW"))
        return 0;
    qvrsim::Machine& m = qvrsim::machine();
    int answer = 0;
    if (!m.messageBoxAnswers.empty()) {
        answer = m.messageBoxAnswers.front();
        m.messageBoxAnswers.erase(m.messageBoxAnswers.begin());
    }
    m.messageBoxes.push_back({hWnd, lpText ? qvrsim::wstr(lpText) : qvrsim::wstr(),
                              lpCaption ? qvrsim::wstr(lpCaption) : qvrsim::wstr(), uType, answer});
    return answer;
}

// Recorded, never carried out; without the shutdown privilege enabled it
// fails as on Windows.
BOOL ExitWindowsEx(UINT uFlags, DWORD)
{
    if (failed("ExitWindowsEx"))
        return FALSE;
    if (!qvrsim::privilegeEnabledByLuid(kShutdownLuid)) {
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    qvrsim::machine().restarts.push_back(uFlags);
    return TRUE;
}

// Only the common application-data folder, which a Windows always has.
HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR pszPath)
{
    DWORD error;
    if (qvrsim::injectedFailure("SHGetFolderPathW", error))
        return static_cast<HRESULT>(error);
    if (pszPath == nullptr || csidl != CSIDL_COMMON_APPDATA)
        return E_FAIL;
    const qvrsim::wstr& path = qvrsim::machine().commonAppData;
    std::error_code ec;
    std::filesystem::create_directories(qvrsim::hostPath(path), ec);
    const size_t cch = path.size() < 259 ? path.size() : 259;
    for (size_t i = 0; i < cch; ++i)
        pszPath[i] = path[i];
    pszPath[cch] = 0;
    return S_OK;
}
