// The system calls as the library relies on them: the version record, the
// processor, the shell library's operating-system query, the common
// application-data folder, the restart and the message box. The same cases
// run under Wine and on the substitute; out-parameters start filled with a
// sentinel, so that what a call writes, and what not, is pinned.
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const DWORD kUntouched = 77;  // a last error no call here sets
const BYTE kFill = 0xAB;
const WCHAR kFillChar = 0xBEEF;
const DWORD kModNotFound = 126;
const DWORD kProcNotFound = 127;
const DWORD kInvalidWindowHandle = 1400;
const HRESULT kInvalidArgument = static_cast<HRESULT>(0x80070057u);
const WORD kOSQueryOrdinal = 437;
const UINT kRestart = 0x12;   // restart, forcing applications that hang
const UINT kPowerOff = 0x18;  // power off, the same
const int kFlagCreate = 0x8000;
const DWORD kTypeDefault = 1;  // the folder's default path, not the current one
const DWORD kBasicSize = 276;
const DWORD kExtendedSize = 284;

typedef BOOL(WINAPI* OSQuery)(DWORD);

// The program's Windows as this machine has it by default: Windows 7 with
// service pack 1 (a fresh Wine prefix, and the substitute's default).
const DWORD kMajor = 6, kMinor = 1, kBuild = 7601;
const char kServicePack[] = "Service Pack 1";

bool environmentHas(const char* szName)
{
    WCHAR value[8];
    return GetEnvironmentVariableW(W(szName).c_str(), value, 8) != 0;
}

class SystemTest : public qvrtest::MachineTest {};

// ------------------------------------------------------------- version

// Either record size is filled: the extended fields only in the extended
// record, the service-pack text up to its terminator; the last error stays.
TEST_F(SystemTest, VersionRecordsOfBothSizesAreFilled)
{
    for (DWORD ulSize : {kExtendedSize, kBasicSize}) {
        BYTE bytes[300];
        std::memset(bytes, kFill, sizeof bytes);
        OSVERSIONINFOEXW* pInfo = reinterpret_cast<OSVERSIONINFOEXW*>(bytes);
        pInfo->dwOSVersionInfoSize = ulSize;
        SetLastError(kUntouched);
        ASSERT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(pInfo))) << ulSize;
        EXPECT_EQ(GetLastError(), kUntouched);
        EXPECT_EQ(pInfo->dwMajorVersion, kMajor);
        EXPECT_EQ(pInfo->dwMinorVersion, kMinor);
        EXPECT_EQ(pInfo->dwBuildNumber, kBuild);
        EXPECT_EQ(pInfo->dwPlatformId, 2u);
        const wstr csd(pInfo->szCSDVersion);
        EXPECT_EQ(narrow(csd), kServicePack);
        EXPECT_EQ(bytes[20 + 2 * (csd.size() + 1)], kFill) << "after the service-pack text";
        if (ulSize == kExtendedSize) {
            EXPECT_EQ(pInfo->wServicePackMajor, 1u);
            EXPECT_EQ(pInfo->wServicePackMinor, 0u);
            EXPECT_EQ(pInfo->wReserved, kFill);
        } else {
            for (size_t i = kBasicSize; i < sizeof bytes; ++i)
                ASSERT_EQ(bytes[i], kFill) << "byte " << i << " of a basic record";
        }
        for (size_t i = kExtendedSize; i < sizeof bytes; ++i)
            ASSERT_EQ(bytes[i], kFill) << "byte " << i << " after the record";
    }
}

// Any other size is refused and nothing but the size is read. Windows sets
// ERROR_INSUFFICIENT_BUFFER, as the substitute does; Wine leaves the last
// error alone.
TEST_F(SystemTest, VersionRecordOfAnotherSizeIsRefusedUntouched)
{
    const DWORD ulError = qvrtest::onSubstitute() ? static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER) : kUntouched;
    for (DWORD ulSize : {0u, 20u, 275u, 277u, 283u, 285u, 552u}) {
        BYTE bytes[300];
        std::memset(bytes, kFill, sizeof bytes);
        std::memcpy(bytes, &ulSize, sizeof ulSize);
        SetLastError(kUntouched);
        EXPECT_FALSE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(bytes))) << ulSize;
        EXPECT_EQ(GetLastError(), ulError) << ulSize;
        for (size_t i = sizeof ulSize; i < sizeof bytes; ++i)
            ASSERT_EQ(bytes[i], kFill) << "byte " << i << " with size " << ulSize;
    }
}

// ----------------------------------------------------------- processor

// The whole record is written; the library reads the architecture.
TEST_F(SystemTest, NativeSystemInfoNamesTheProcessor)
{
    SYSTEM_INFO info;
    std::memset(&info, kFill, sizeof info);
    SetLastError(kUntouched);
    GetNativeSystemInfo(&info);
    EXPECT_EQ(GetLastError(), kUntouched);
    EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_EQ(info.wReserved, 0u);
    EXPECT_EQ(info.dwPageSize, 4096u);
    EXPECT_EQ(info.dwAllocationGranularity, 65536u);
    EXPECT_EQ(info.lpMinimumApplicationAddress, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(0x10000)));
    EXPECT_GE(info.dwNumberOfProcessors, 1u);
    EXPECT_NE(info.dwActiveProcessorMask, 0u);

    // A 32-bit Windows is a machine Wine cannot be.
#ifndef _WIN32
    qvrsim::set64BitWindows(false);
    GetNativeSystemInfo(&info);
    EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
#endif
}

// ------------------------------------------------------- shell library

// The program imports the shell (through shell32), so the library is loaded
// before anyone asks: every name for it gives that one module, and freeing
// it never unloads it.
TEST_F(SystemTest, ShellLibraryLoadsUnderItsNamesAndStaysLoaded)
{
    HMODULE hFirst = nullptr;
    for (const char* szName : {"shlwapi.dll", "SHLWAPI.DLL", "shlwapi", "C:\\windows\\system32\\shlwapi.dll",
                               "C:\\Windows\\System32\\SHLWAPI.dll"}) {
        SetLastError(kUntouched);
        HMODULE hLibrary = LoadLibraryW(W(szName).c_str());
        EXPECT_NE(hLibrary, nullptr) << szName;
        EXPECT_EQ(GetLastError(), kUntouched) << szName;
        if (hFirst == nullptr)
            hFirst = hLibrary;
        EXPECT_EQ(hLibrary, hFirst) << szName;
    }
    for (int i = 0; i < 7; ++i) {
        SetLastError(kUntouched);
        EXPECT_TRUE(FreeLibrary(hFirst)) << "free " << i;
        EXPECT_EQ(GetLastError(), kUntouched);
    }
    EXPECT_NE(GetProcAddress(hFirst, MAKEINTRESOURCEA(kOSQueryOrdinal)), nullptr);
#ifndef _WIN32
    EXPECT_EQ(qvrsim::libraryLoadBalance(), -2);
#endif

    const struct {
        const char* szName;
        DWORD ulError;
    } missing[] = {{"qvrnosuch.dll", kModNotFound}, {"C:\\qvrtest\\shlwapi.dll", kModNotFound}};
    for (const auto& c : missing) {
        SetLastError(kUntouched);
        EXPECT_EQ(LoadLibraryW(W(c.szName).c_str()), nullptr) << c.szName;
        EXPECT_EQ(GetLastError(), c.ulError) << c.szName;
    }
    const struct {
        uintptr_t module;
        DWORD ulError;
    } notLoaded[] = {{0, ERROR_INVALID_HANDLE}, {0x12340000u, kModNotFound}};
    for (const auto& c : notLoaded) {
        SetLastError(kUntouched);
        EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(c.module))) << c.module;
        EXPECT_EQ(GetLastError(), c.ulError) << c.module;
    }
}

// Ordinal 437 is the operating-system query; the program's own module (null)
// does not have it, and a module that is not loaded has nothing.
TEST_F(SystemTest, ShellQueryByOrdinal)
{
    HMODULE hLibrary = LoadLibraryW(QVR_T("shlwapi.dll"));
    ASSERT_NE(hLibrary, nullptr);
    SetLastError(kUntouched);
    const OSQuery query =
        reinterpret_cast<OSQuery>(reinterpret_cast<void*>(GetProcAddress(hLibrary, MAKEINTRESOURCEA(kOSQueryOrdinal))));
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(GetLastError(), kUntouched);
    // Windows 7: XP or later (18), and the query 37 that Windows answers yes
    // from 6.0 on; no for a number it does not know.
    const std::pair<DWORD, BOOL> answers[] = {{18, TRUE}, {37, TRUE}, {1000, FALSE}};
    for (const auto& answer : answers) {
        SetLastError(kUntouched);
        EXPECT_EQ(query(answer.first) != FALSE, answer.second != FALSE) << answer.first;
        EXPECT_EQ(GetLastError(), kUntouched);
    }

    const struct {
        HMODULE hModule;
        WORD ordinal;
        DWORD ulError;
    } refused[] = {
        {hLibrary, 9999, kProcNotFound},
        {nullptr, kOSQueryOrdinal, kProcNotFound},
        {reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x12340000u)), kOSQueryOrdinal, kModNotFound},
    };
    for (const auto& c : refused) {
        SetLastError(kUntouched);
        EXPECT_EQ(GetProcAddress(c.hModule, MAKEINTRESOURCEA(c.ordinal)), nullptr) << c.ordinal;
        EXPECT_EQ(GetLastError(), c.ulError) << c.ordinal;
    }
    EXPECT_TRUE(FreeLibrary(hLibrary));
}

// ------------------------------------------------------------- folders

// The common application-data folder exists before anyone asks; flags for
// creating it or for its default path give the same. A folder the shell
// does not know gives E_INVALIDARG and an empty path.
TEST_F(SystemTest, CommonAppDataFolder)
{
    const DWORD ulAttributes = GetFileAttributesW(QVR_T("C:\\ProgramData"));
    ASSERT_NE(ulAttributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ulAttributes & FILE_ATTRIBUTE_DIRECTORY);
    const struct {
        int csidl;
        DWORD ulFlags;
        HRESULT hResult;
        const char* szPath;
    } cases[] = {
        {CSIDL_COMMON_APPDATA, 0, S_OK, "C:\\ProgramData"},
        {CSIDL_COMMON_APPDATA, kTypeDefault, S_OK, "C:\\ProgramData"},
        {CSIDL_COMMON_APPDATA | kFlagCreate, 0, S_OK, "C:\\ProgramData"},
        {0x7f, 0, kInvalidArgument, ""},
    };
    for (const auto& c : cases) {
        WCHAR path[MAX_PATH + 8];
        for (WCHAR& ch : path)
            ch = kFillChar;
        SetLastError(kUntouched);
        EXPECT_EQ(SHGetFolderPathW(nullptr, c.csidl, nullptr, c.ulFlags, path), c.hResult) << c.csidl;
        EXPECT_EQ(GetLastError(), kUntouched);
        EXPECT_EQ(narrow(path), c.szPath) << c.csidl;
        if (c.hResult == S_OK) {
            EXPECT_EQ(path[std::strlen(c.szPath) + 1], kFillChar) << "after the terminator";
        }
    }
}

// ------------------------------------------------------------- restart

// Restores the shutdown privilege to what the test found.
class ShutdownPrivilege {
public:
    ShutdownPrivilege() : m_bWasEnabled(qvrtest::privilegeEnabled("SeShutdownPrivilege")) {}
    ~ShutdownPrivilege() { set(m_bWasEnabled); }
    static void set(bool bEnabled)
    {
        HANDLE hToken = nullptr;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken));
        TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, static_cast<DWORD>(bEnabled ? SE_PRIVILEGE_ENABLED : 0)}}};
        EXPECT_TRUE(LookupPrivilegeValueW(nullptr, QVR_T("SeShutdownPrivilege"), &privileges.Privileges[0].Luid));
        EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &privileges, sizeof privileges, nullptr, nullptr));
        CloseHandle(hToken);
        ASSERT_EQ(qvrtest::privilegeEnabled("SeShutdownPrivilege"), bEnabled);
    }

private:
    bool m_bWasEnabled;
};

// With the shutdown privilege enabled a restart or power-off is accepted
// (Wine does nothing to the host; the substitute records it). Without it
// Windows refuses with ERROR_PRIVILEGE_NOT_HELD, as the substitute does;
// Wine does not check the privilege and accepts.
TEST_F(SystemTest, RestartNeedsTheShutdownPrivilege)
{
    ShutdownPrivilege restore;
    const struct {
        UINT ulFlags;
        bool bEnabled;
    } cases[] = {{kRestart, false}, {kRestart, true}, {kPowerOff, true}, {kPowerOff, false}};
    std::vector<UINT> accepted;
    for (const auto& c : cases) {
        ShutdownPrivilege::set(c.bEnabled);
        const bool bAccepted = c.bEnabled || !qvrtest::onSubstitute();
        SetLastError(kUntouched);
        EXPECT_EQ(ExitWindowsEx(c.ulFlags, 0), bAccepted ? TRUE : FALSE) << c.ulFlags << " " << c.bEnabled;
        if (!bAccepted) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
        }
        if (c.bEnabled)
            accepted.push_back(c.ulFlags);
    }
#ifndef _WIN32
    EXPECT_EQ(qvrsim::restartsAsked(), accepted);
#endif
}

// --------------------------------------------------------- message box

// Without a display a box cannot be made: Wine says so at once with
// ERROR_INVALID_WINDOW_HANDLE and -1, from its dialog code; Windows documents
// 0 for a box that fails, which the substitute gives (with Wine's error)
// when no answer is scripted.
TEST_F(SystemTest, MessageBoxWithoutDisplayFails)
{
    if (!qvrtest::onSubstitute() && environmentHas("DISPLAY"))
        GTEST_SKIP() << "a display is there: the box would wait for an answer";
    SetLastError(kUntouched);
    const int answer = MessageBoxW(nullptr, QVR_T("Text"), QVR_T("Caption"), MB_YESNO);
    EXPECT_EQ(answer, qvrtest::onSubstitute() ? 0 : -1);
    EXPECT_EQ(GetLastError(), kInvalidWindowHandle);
#ifndef _WIN32
    ASSERT_EQ(qvrsim::messageBoxesShown().size(), 1u);
    EXPECT_EQ(qvrsim::messageBoxesShown()[0].answer, 0);
#endif
}

// Real boxes under Wine need a display and someone to answer them: the
// answer-boxes runner (tests/wine) gives Wine a virtual display and presses
// the key a box's caption names. The substitute answers from its script and
// records each box as it was asked for.
TEST_F(SystemTest, BoxesAreAnsweredOnDisplay)
{
    if (!qvrtest::onSubstitute() && !environmentHas("ANSWER_BOXES"))
        GTEST_SKIP() << "needs the answer-boxes runner";
#ifdef _WIN32
    // Without a window manager Wine waits two seconds for each closed box
    // to be withdrawn; windows it does not hand to one close at once.
    HKEY hKey = nullptr;
    const wstr key = W("Software\\Wine\\AppDefaults\\") + qvrtest::moduleBaseName() + W(".exe\\X11 Driver");
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) == 0) {
        RegSetValueExW(hKey, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), 4);
        RegCloseKey(hKey);
    }
#endif
    const struct {
        const char* szCaption;
        const char* szText;
        UINT ulStyle;
        int answer;
    } boxes[] = {
        {"QVR answer y", "Restart now?", MB_YESNO, IDYES},
        {"QVR answer n", "Restart now?", MB_YESNO, IDNO},
        {"QVR answer Return", "Done.", MB_OK, IDOK},
    };
#ifndef _WIN32
    for (const auto& box : boxes)
        qvrsim::queueMessageBoxAnswers({box.answer});
#endif
    for (const auto& box : boxes)
        EXPECT_EQ(MessageBoxW(nullptr, W(box.szText).c_str(), W(box.szCaption).c_str(), box.ulStyle), box.answer)
            << box.szCaption;
#ifndef _WIN32
    const auto& shown = qvrsim::messageBoxesShown();
    ASSERT_EQ(shown.size(), 3u);
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].owner, nullptr);
        EXPECT_EQ(narrow(shown[i].text), boxes[i].szText);
        EXPECT_EQ(narrow(shown[i].caption), boxes[i].szCaption);
        EXPECT_EQ(shown[i].style, boxes[i].ulStyle);
        EXPECT_EQ(shown[i].answer, boxes[i].answer);
    }
#endif
}

// ------------------------------------------------------ failing calls

TEST_F(SystemTest, SystemCallsCanBeMadeToFail)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
    ShutdownPrivilege restore;
    ShutdownPrivilege::set(true);
    OSVERSIONINFOW info = {};
    WCHAR path[MAX_PATH];
    HMODULE hLibrary = LoadLibraryW(QVR_T("shlwapi.dll"));
    const std::pair<const char*, std::function<bool()>> calls[] = {
        {"GetVersionExW",
         [&] {
             info.dwOSVersionInfoSize = kBasicSize;
             return GetVersionExW(&info) != FALSE;
         }},
        {"LoadLibraryW", [] { return LoadLibraryW(QVR_T("shlwapi.dll")) != nullptr; }},
        {"GetProcAddress", [&] { return GetProcAddress(hLibrary, MAKEINTRESOURCEA(kOSQueryOrdinal)) != nullptr; }},
        {"FreeLibrary", [&] { return FreeLibrary(hLibrary) != FALSE; }},
        {"ExitWindowsEx", [] { return ExitWindowsEx(kRestart, 0) != FALSE; }},
        {"MessageBoxW", [] { return MessageBoxW(nullptr, QVR_T("Text"), QVR_T("Caption"), MB_OK) != 0; }},
    };
    for (const auto& call : calls) {
#ifndef _WIN32
        qvrsim::queueMessageBoxAnswers({IDOK});
#endif
        ASSERT_TRUE(qvrtest::failNext(call.first, ERROR_NOT_ENOUGH_MEMORY));
        SetLastError(kUntouched);
        EXPECT_FALSE(call.second()) << call.first;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << call.first;
        EXPECT_TRUE(call.second()) << call.first << " fails once only";
    }
    // The folder query reports through its result and leaves the last error.
    ASSERT_TRUE(qvrtest::failNext("SHGetFolderPathW", static_cast<DWORD>(E_FAIL)));
    SetLastError(kUntouched);
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path), E_FAIL);
    EXPECT_EQ(GetLastError(), kUntouched);
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path), S_OK);
}

}  // namespace
