// The Windows version, the processor, the shell library's operating-system
// query, message boxes answered from a script, restarts recorded, and the
// common application-data folder.
#include "qvr_sim_state.h"

#include <filesystem>

namespace {

const uintptr_t kLocalMachine = 0x80000002u;
const DWORD kExtendedRecordSize = sizeof(OSVERSIONINFOEXW);
const DWORD kBasicRecordSize = sizeof(OSVERSIONINFOW);
const DWORD kQueryXPOrGreater = 18;
const DWORD kQueryVistaOrGreater = 37;
const DWORD kShutdownLuid = 19;
const DWORD kErrorInvalidWindowHandle = 1400;
const HRESULT kInvalidArgument = static_cast<HRESULT>(0x80070057u);
const int kFolderMask = 0xFF;  // the CSIDL without its flags (CSIDL_FLAG_CREATE and the like)

const char16_t kVistaCommonAppData[] = u"C:\\ProgramData";
const char16_t kXPCommonAppData[] = u"C:\\Documents and Settings\\All Users\\Application Data";

bool failed(const char* function)
{
    DWORD error;
    if (!qvrsim::injectedFailure(function, error))
        return false;
    SetLastError(error);
    return true;
}

}  // namespace

// Windows answers from the version it reports; a test may set an answer.
BOOL WINAPI qvrsim::shellOSQuery(DWORD query)
{
    const qvrsim::Machine& m = qvrsim::machine();
    auto it = m.shellQueries.find(query);
    if (it != m.shellQueries.end())
        return it->second ? TRUE : FALSE;
    if (query == kQueryXPOrGreater)
        return m.osMajor > 5 || (m.osMajor == 5 && m.osMinor >= 1);
    if (query == kQueryVistaOrGreater)
        return m.osMajor >= 6;
    return FALSE;
}

namespace {

// The service pack as Windows also keeps it in the registry: HKEY_LOCAL_MACHINE
// SYSTEM\CurrentControlSet\Control\Windows "CSDVersion", major number times 256.
void putServicePackValue(qvrsim::Machine& m)
{
    std::shared_ptr<qvrsim::RegKey>& root = m.roots[kLocalMachine];
    if (!root)
        root = std::make_shared<qvrsim::RegKey>();
    std::shared_ptr<qvrsim::RegKey> key = root;
    for (const char16_t* szName : {u"SYSTEM", u"CurrentControlSet", u"Control", u"Windows"}) {
        std::shared_ptr<qvrsim::RegKey>& sub = key->subKeys[qvrsim::lowerCase(szName)];
        if (!sub) {
            sub = std::make_shared<qvrsim::RegKey>();
            sub->name = szName;
            sub->lastWrite = qvrsim::fileTimeNow();
        }
        key = sub;
    }
    qvrsim::RegValue& value = key->values[u"csdversion"];
    value.name = u"CSDVersion";
    value.type = REG_DWORD;
    const DWORD ulCSDVersion = static_cast<DWORD>(m.servicePack) << 8;
    const BYTE* p = reinterpret_cast<const BYTE*>(&ulCSDVersion);
    value.data.assign(p, p + sizeof ulCSDVersion);
    key->lastWrite = qvrsim::fileTimeNow();
}

// A Windows always has its common application-data folder.
void makeCommonAppData(const qvrsim::Machine& m)
{
    std::error_code ec;
    std::filesystem::create_directories(qvrsim::hostPath(m.commonAppData), ec);
}

}  // namespace

namespace qvrsim {

void startSystem(Machine& m)
{
    putServicePackValue(m);
    makeCommonAppData(m);
}

void setWindowsVersion(DWORD major, DWORD minor, DWORD build, WORD servicePack, bool bExtendedFails, bool bAllFail)
{
    Machine& m = machine();
    m.osMajor = major;
    m.osMinor = minor;
    m.osBuild = build;
    m.servicePack = servicePack;
    m.bVersionExtendedFails = bExtendedFails;
    m.bVersionFails = bAllFail;
    m.commonAppData = major < 6 ? kXPCommonAppData : kVistaCommonAppData;
    startSystem(m);
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

void setCommonAppData(const wstr& path)
{
    machine().commonAppData = path;
    makeCommonAppData(machine());
}

long libraryLoadBalance() { return machine().libraryLoads; }

}  // namespace qvrsim

// As Windows: a record of either size is filled (the service-pack text up to
// its terminator, the extended fields only in the extended record); any other
// size is refused with ERROR_INSUFFICIENT_BUFFER and nothing is written.
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
    for (size_t i = 0; i <= servicePack.size() && i < 128; ++i)
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

namespace {

// The processor as a program of the machine's own width sees it.
void fillSystemInfo(LPSYSTEM_INFO lpSystemInfo)
{
    if (lpSystemInfo == nullptr)
        return;
    const bool b64Bit = qvrsim::machine().is64Bit;
    *lpSystemInfo = SYSTEM_INFO();
    lpSystemInfo->wProcessorArchitecture = b64Bit ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
    lpSystemInfo->dwPageSize = 4096;
    lpSystemInfo->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(0x10000));
    lpSystemInfo->lpMaximumApplicationAddress =
        reinterpret_cast<LPVOID>(static_cast<uintptr_t>(b64Bit ? 0x7FFFFFFEFFFFull : 0x7FFEFFFFull));
    lpSystemInfo->dwActiveProcessorMask = 3;
    lpSystemInfo->dwNumberOfProcessors = 2;
    lpSystemInfo->dwProcessorType = b64Bit ? 8664 : 586;  // PROCESSOR_AMD_X8664, PROCESSOR_INTEL_PENTIUM
    lpSystemInfo->dwAllocationGranularity = 65536;
    lpSystemInfo->wProcessorLevel = 6;
}

}  // namespace

// Windows XP and later; a program finds it in kernel32 at run time.
void GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo) { fillSystemInfo(lpSystemInfo); }

// The substitute's program has the machine's own width, so it sees what
// GetNativeSystemInfo does (only a 32-bit program on 64-bit Windows differs).
void GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) { fillSystemInfo(lpSystemInfo); }

// The next scripted answer. With none left the box cannot be shown: 0, as
// Windows fails a box, and the last error Wine gives when it has no display.
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    if (failed("MessageBoxW"))
        return 0;
    qvrsim::Machine& m = qvrsim::machine();
    int answer = 0;
    if (!m.messageBoxAnswers.empty()) {
        answer = m.messageBoxAnswers.front();
        m.messageBoxAnswers.erase(m.messageBoxAnswers.begin());
    } else {
        SetLastError(kErrorInvalidWindowHandle);
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

// Only the common application-data folder is known here; any other folder
// is refused as Windows refuses one it does not know, with an empty path.
HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR pszPath)
{
    DWORD error;
    if (qvrsim::injectedFailure("SHGetFolderPathW", error))
        return static_cast<HRESULT>(error);
    if (pszPath == nullptr)
        return kInvalidArgument;
    if ((csidl & kFolderMask) != CSIDL_COMMON_APPDATA) {
        pszPath[0] = 0;
        return kInvalidArgument;
    }
    const qvrsim::wstr& path = qvrsim::machine().commonAppData;
    const size_t cch = path.size() < MAX_PATH - 1 ? path.size() : MAX_PATH - 1;
    for (size_t i = 0; i < cch; ++i)
        pszPath[i] = path[i];
    pszPath[cch] = 0;
    return S_OK;
}
