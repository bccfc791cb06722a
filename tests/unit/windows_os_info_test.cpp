// The running Windows as CQVRWindowsOSInfo sees it: each version Wine can
// report (a probe program started under that version, since Wine fixes a
// program's version when it starts) and the same versions on the substitute,
// then the machine facts only the substitute can vary.
#ifdef _WIN32
// RegDeleteTreeW is declared for Vista and later only; Wine has it.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif

#include "diagnostics/entries/qvr_windows_os_info_init_needed_exception.h"
#include "qvr_test_helpers.h"
#include "qvr_windows_report.h"
#include "system/qvr_windows_os_info.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const char kVistaAppData[] = "C:\\ProgramData";
const char kXPAppData[] = "C:\\Documents and Settings\\All Users\\Application Data";
const WCHAR kWindowsKey[] = QVR_T("SYSTEM\\CurrentControlSet\\Control\\Windows");

// What the program is told, and what the library makes of it.
struct VersionCase {
    const char* szWine;  // Wine's name for the version; null: not one Wine reports
    DWORD major, minor, build;
    WORD servicePack;
    const char* szVersion;  // m_dVersion, printed exactly
    bool bXP, bVista, bQuery18, bQuery37;
};

const VersionCase kVersions[] = {
    {"win2k", 5, 0, 2195, 4, "5", false, false, false, false},
    {"winxp", 5, 1, 2600, 3, "5.0999999999999996", true, false, true, false},
    {"win2003", 5, 2, 3790, 2, "5.2000000000000002", true, false, true, false},
    {"vista", 6, 0, 6002, 2, "6", false, true, true, true},
    {"win7", 6, 1, 7601, 1, "6.0999999999999996", false, true, true, true},
    {"win8", 6, 2, 9200, 0, "6.2000000000000002", false, true, true, true},
    // Windows 10 tells a program without a compatibility manifest that it is
    // Windows 8; so does Wine.
    {"win10", 6, 2, 9200, 0, "6.2000000000000002", false, true, true, true},
    // What a program that declares Windows 10 is told.
    {nullptr, 10, 0, 19045, 0, "10", false, false, true, true},
};

class WindowsOSInfoTest : public qvrtest::LoggedMachineTest {
protected:
    void SetUp() override
    {
        LoggedMachineTest::SetUp();
        DWORD type = 0;
        m_bHadServicePack =
            qvrtest::readValue(HKEY_LOCAL_MACHINE, kWindowsKey, W("CSDVersion"), type, m_servicePack) == ERROR_SUCCESS;
    }
    // The prefix is shared by every test program: its service-pack value
    // goes back as it was.
    void TearDown() override
    {
        if (m_bHadServicePack)
            qvrtest::setValueBytes(HKEY_LOCAL_MACHINE, kWindowsKey, W("CSDVersion"), REG_DWORD, m_servicePack.data(),
                                   m_servicePack.size());
#ifdef _WIN32
        RegDeleteTreeW(HKEY_CURRENT_USER, kProbeSettings);
#endif
        LoggedMachineTest::TearDown();
    }

    // What a program sees under this Windows version.
    std::map<std::string, std::string> describe(const VersionCase& c)
    {
#ifdef _WIN32
        return qvrtest::parseDescription(runProbe(c.szWine));
#else
        qvrsim::reset();
        qvrsim::setWindowsVersion(c.major, c.minor, c.build, c.servicePack);
        return qvrtest::parseDescription(qvrtest::describeWindows());
#endif
    }

#ifdef _WIN32
    static constexpr const WCHAR* kProbeSettings = L"Software\\Wine\\AppDefaults\\os_version_probe.exe";

    // Wine reads the version for a program from HKEY_CURRENT_USER
    // Software\Wine (Version) when it starts, or from the program's own
    // AppDefaults key: that one is used here, so that no other program of
    // the prefix runs under another version, even if this one dies.
    std::string runProbe(const char* szVersion)
    {
        HKEY hKey = nullptr;
        const wstr version = W(szVersion);
        EXPECT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, kProbeSettings, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr),
            ERROR_SUCCESS);
        RegSetValueExW(hKey, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>((version.size() + 1) * sizeof(WCHAR)));
        RegCloseKey(hKey);

        const wstr self = qvrtest::modulePath();
        const wstr probe = self.substr(0, self.find_last_of(L'\\') + 1) + L"os_version_probe.exe";
        const wstr report = qvrtest::testFolder() + L"windows.txt";
        DeleteFileW(report.c_str());
        wstr commandLine = L"\"" + probe + L"\" " + report;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(probe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            ADD_FAILURE() << "cannot start " << narrow(probe) << ": " << GetLastError();
            return std::string();
        }
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        DWORD ulExit = 0;
        GetExitCodeProcess(process.hProcess, &ulExit);
        EXPECT_EQ(ulExit, 0u) << szVersion;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        const std::vector<uint8_t> bytes = qvrtest::readFile(report);
        return std::string(bytes.begin(), bytes.end());
    }
#endif

    void setServicePackValue(DWORD type, uint32_t value)
    {
        qvrtest::setValueBytes(HKEY_LOCAL_MACHINE, kWindowsKey, W("CSDVersion"), type, &value, sizeof value);
    }

    std::vector<uint8_t> m_servicePack;
    bool m_bHadServicePack = false;
};

// Each version as it is reported and as the library reads it.
TEST_F(WindowsOSInfoTest, VersionsAsTheLibrarySeesThem)
{
    const bool bWine = !qvrtest::onSubstitute();
    for (const VersionCase& c : kVersions) {
        if (bWine && c.szWine == nullptr)
            continue;
        const std::string name = c.szWine ? c.szWine : std::to_string(c.major) + "." + std::to_string(c.minor);
        std::map<std::string, std::string> seen = describe(c);
        EXPECT_EQ(seen["major"], std::to_string(c.major)) << name;
        EXPECT_EQ(seen["minor"], std::to_string(c.minor)) << name;
        EXPECT_EQ(seen["build"], std::to_string(c.build)) << name;
        EXPECT_EQ(seen["servicePackMajor"], std::to_string(c.servicePack)) << name;
        EXPECT_EQ(seen["csd"], c.servicePack ? "Service Pack " + std::to_string(c.servicePack) : "") << name;
        ASSERT_EQ(seen["constructed"], "1") << name;
        EXPECT_EQ(seen["version"], c.szVersion) << name;
        EXPECT_EQ(seen["isXP"], c.bXP ? "1" : "0") << name;
        EXPECT_EQ(seen["isVista"], c.bVista ? "1" : "0") << name;
        EXPECT_EQ(seen["platform"], "2") << name;
        EXPECT_EQ(seen["pe"], "0") << name;
        // Wine asks "5.1 or later?" as major >= 5 and minor >= 1, so Vista
        // (6.0) is no XP or later there; Windows answers yes.
        const bool bQuery18 = bWine && c.major == 6 && c.minor == 0 ? false : c.bQuery18;
        EXPECT_EQ(seen["query18"], bQuery18 ? "1" : "0") << name;
        EXPECT_EQ(seen["query37"], c.bQuery37 ? "1" : "0") << name;
        // Wine's prefix keeps the service-pack value (0x100) and the one
        // application-data folder whatever version it reports; Windows has
        // the version's own, as the substitute does.
        EXPECT_EQ(seen["servicePack"], bWine ? "1" : std::to_string(c.servicePack)) << name;
        EXPECT_EQ(seen["commonAppData"], bWine || c.major >= 6 ? kVistaAppData : kXPAppData) << name;
    }
}

// Only the substitute can be a 32-bit Windows, lack the shell library or
// fail a call; the library reads what is left and frees what it loaded.
TEST_F(WindowsOSInfoTest, MachineFactsThatWineCannotVary)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "machine facts Wine cannot vary";
#ifndef _WIN32
    const struct {
        const char* szName;
        std::function<void()> setUp;
        const char* szVersion;
        uint32_t ulPlatform;
        bool bQuery18, bQuery37;
    } cases[] = {
        {"Windows 7", [] {}, "6.0999999999999996", 2, true, true},
        {"32-bit Windows", [] { qvrsim::set64BitWindows(false); }, "6.0999999999999996", 1, true, true},
        {"extended record refused", [] { qvrsim::setWindowsVersion(5, 0, 2195, 4, true); }, "5", 2, false, false},
        {"no shell library", [] { qvrsim::setShellLibraryPresent(false); }, "6.0999999999999996", 2, false, false},
        // The first query cannot be made, so the second is not asked.
        {"shell library not loaded once", [] { qvrtest::failNext("LoadLibraryW", 8); }, "6.0999999999999996", 2, false,
         false},
        {"query not found once", [] { qvrtest::failNext("GetProcAddress", 127); }, "6.0999999999999996", 2, false,
         false},
        // Windows 2000 has no GetNativeSystemInfo (and no 64-bit edition):
        // the program's own view of the processor is the machine's.
        {"Windows 2000",
         [] {
             qvrsim::setWindowsVersion(5, 0, 2195, 4);
             qvrsim::set64BitWindows(false);
         },
         "5", 1, false, false},
        // kernel32 not found: the processor cannot be asked, and no guess.
        {"kernel32 not found once", [] { qvrtest::failNext("GetModuleHandleW", 126); }, "6.0999999999999996", 0, true,
         true},
        {"answers apart",
         [] {
             qvrsim::setShellQuery(18, false);
             qvrsim::setShellQuery(37, true);
         },
         "6.0999999999999996", 2, false, true},
    };
    for (const auto& c : cases) {
        qvrsim::reset();
        c.setUp();
        std::map<std::string, std::string> seen = qvrtest::parseDescription(qvrtest::describeWindows());
        EXPECT_EQ(seen["constructed"], "1") << c.szName;
        EXPECT_EQ(seen["version"], c.szVersion) << c.szName;
        EXPECT_EQ(seen["platform"], std::to_string(c.ulPlatform)) << c.szName;
        EXPECT_EQ(seen["query18"], c.bQuery18 ? "1" : "0") << c.szName;
        EXPECT_EQ(seen["query37"], c.bQuery37 ? "1" : "0") << c.szName;
        EXPECT_EQ(qvrsim::libraryLoadBalance(), 0) << c.szName;
    }
#endif
}

// Without any version record the object cannot be used: the constructor
// writes its entry and throws it.
TEST_F(WindowsOSInfoTest, NoVersionMeansNoObject)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine always has the version";
#ifndef _WIN32
    qvrsim::setWindowsVersion(6, 1, 7601, 1, true, true);
    const char kMessage[] = "CQVRWindowsOSInfo construction failed. Cannot call member functions.";
    try {
        CQVRWindowsOSInfo os;
        ADD_FAILURE() << "constructed without a version";
    } catch (const CQVRWindowsOSInfoInitNeededException& e) {
        EXPECT_EQ(narrow(e.m_record.m_szMessage.get()), kMessage);
        EXPECT_EQ(e.m_record.m_ulValue, 0xFFFFFFFFu);
    }
    EXPECT_EQ(qvrtest::countLines(m_log, kMessage), 1u);
    EXPECT_EQ(qvrsim::libraryLoadBalance(), 0);
#endif
}

// "QVRDrive" marks a preinstallation environment only when it holds a value.
TEST_F(WindowsOSInfoTest, PreinstallationEnvironmentNeedsAValue)
{
    const struct {
        const WCHAR* szValue;  // null: not set
        bool bPE;
    } cases[] = {{nullptr, false}, {QVR_T("X:"), true}, {QVR_T(""), false}};
    for (const auto& c : cases) {
        ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRDrive"), c.szValue) || c.szValue == nullptr);
        CQVRWindowsOSInfo os;
        EXPECT_EQ(os.m_bPE, c.bPE) << (c.szValue ? narrow(c.szValue) : "unset");
    }
    SetEnvironmentVariableW(QVR_T("QVRDrive"), nullptr);
}

// The service pack is the registry value's second byte up; no value gives 0.
TEST_F(WindowsOSInfoTest, ServicePackFromTheRegistry)
{
    const struct {
        DWORD type;  // REG_NONE: no value
        uint32_t value;
        uint32_t ulServicePack;
    } cases[] = {
        {REG_DWORD, 0x0300, 3}, {REG_DWORD, 0x02FF, 2}, {REG_DWORD, 0x00FF, 0}, {REG_DWORD, 0x12345678, 0x123456},
        {REG_NONE, 0, 0},
    };
    for (const auto& c : cases) {
        if (c.type == REG_NONE) {
            HKEY hKey = nullptr;
            ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWindowsKey, 0, KEY_SET_VALUE, &hKey), ERROR_SUCCESS);
            RegDeleteValueW(hKey, QVR_T("CSDVersion"));
            RegCloseKey(hKey);
        } else {
            setServicePackValue(c.type, c.value);
        }
        CQVRWindowsOSInfo os;
        EXPECT_EQ(os.m_ulServicePack, c.ulServicePack) << std::hex << c.value << " type " << c.type;
    }
}

}  // namespace
