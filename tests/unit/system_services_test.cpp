// Environment variables, message boxes and resource strings, restart and the
// vendor's storage folder: what each class makes of the platform's answers.
#include "qvr_test_helpers.h"
#include "system/qvr_environment_variable.h"
#include "system/qvr_message_box.h"
#include "system/qvr_systeminfo.h"
#include "system/qvr_win_reboot.h"
#include "system/qvr_windows_os_info.h"
#include "system/qvr_windows_resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::countLines;
using qvrtest::narrow;
using qvrtest::S;
using qvrtest::Str;
using qvrtest::textOf;
using qvrtest::W;
using qvrtest::wstr;

namespace {

class SystemServicesTest : public qvrtest::LoggedMachineTest {};

TEST_F(SystemServicesTest, EnvironmentVariablesByName)
{
    ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRTESTVALUE"), QVR_T("C:\\qvr")));
    ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRTESTEMPTY"), QVR_T("")));
    Str value = S("untouched");
    EXPECT_TRUE(CQVREnvironmentVariable(S("QVRTESTVALUE")).getValue(value));
    EXPECT_EQ("C:\\qvr", narrow(textOf(value)));
    EXPECT_EQ(value.getLength() + 1, value.getSize());  // no trailing zeros
    value = S("untouched");
    EXPECT_FALSE(CQVREnvironmentVariable(S("QVRTESTEMPTY")).getValue(value));
    EXPECT_FALSE(CQVREnvironmentVariable(S("QVRTESTMISSING")).getValue(value));
    EXPECT_EQ("untouched", narrow(textOf(value)));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
    EXPECT_FALSE(CQVREnvironmentVariable(Str()).getValue(value));
    EXPECT_EQ(1u, countLines(m_log, "\"The environment variable name has not been initialized\""));
    SetEnvironmentVariableW(QVR_T("QVRTESTVALUE"), nullptr);
    SetEnvironmentVariableW(QVR_T("QVRTESTEMPTY"), nullptr);
}

// A preinstallation environment is marked by "QVRDrive" holding a value.
TEST_F(SystemServicesTest, APreinstallationEnvironmentIsMarkedByAVariable)
{
    EXPECT_FALSE(CQVRWindowsOSInfo().m_bPE);
    ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRDrive"), QVR_T("")));
    EXPECT_FALSE(CQVRWindowsOSInfo().m_bPE);
    ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRDrive"), QVR_T("X:")));
    EXPECT_TRUE(CQVRWindowsOSInfo().m_bPE);
    SetEnvironmentVariableW(QVR_T("QVRDrive"), nullptr);
    CQVRWindowsOSInfo info;
    EXPECT_EQ(static_cast<uint32_t>(CQVRWindowsOSInfo::wp64Bit), info.getPlatform());
    EXPECT_GE(info.m_dVersion, 5.0);
}

// A box that cannot be shown (no display under Wine, no scripted answer on
// the substitute): Windows answers 0, so the box reports false; Wine answers
// -1, which the box takes for an answer. The notification is written either
// way.
TEST_F(SystemServicesTest, AMessageBoxThatCannotBeShown)
{
    qvrtest::enableTextLog(0x0FFF);
    CQVRMessageBox box(nullptr, S("Caption"), S("The text"), CQVRFlags(0));
    EXPECT_EQ(IDCANCEL, box.m_iResult);
    const int iFailed = qvrtest::onSubstitute() ? 0 : -1;
    EXPECT_EQ(iFailed != 0, box.showMessageBox());
    EXPECT_EQ(iFailed, box.m_iResult);
    EXPECT_EQ(1u, countLines(m_log, "<NOTIFICATION> "));
    EXPECT_EQ(1u, countLines(m_log, "\"Message Box displayed: The text\" "));
}

TEST_F(SystemServicesTest, AMessageBoxShowsWhatItHolds)
{
#ifdef _WIN32
    GTEST_SKIP() << "message boxes are answered from a script on the substitute only";
#else
    qvrsim::queueMessageBoxAnswers({IDYES});
    CQVRMessageBox box(nullptr, S("Caption"), S("Question?"), CQVRFlags(MB_YESNO));
    EXPECT_TRUE(box.showMessageBox());
    EXPECT_EQ(IDYES, box.m_iResult);
    ASSERT_EQ(1u, qvrsim::messageBoxesShown().size());
    const qvrsim::MessageBoxShown& shown = qvrsim::messageBoxesShown()[0];
    EXPECT_EQ(u"Question?", shown.text);
    EXPECT_EQ(u"Caption", shown.caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), shown.style);
    EXPECT_EQ(nullptr, shown.owner);
#endif
}

// Memory running out while a box takes its caption or text: the setter
// fails rather than report a text it does not hold.
TEST_F(SystemServicesTest, AMessageBoxHoldsWhatItWasGivenOrFails)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    const Str caption = S("A new caption");
    const Str text = S("A new text for the box");
    const struct {
        const char* szName;
        bool (*set)(CQVRMessageBox&, const Str&);
        Str CQVRMessageBox::*pField;
        const Str& value;
    } cases[] = {
        {"setTitle", [](CQVRMessageBox& box, const Str& value) { return box.setTitle(value); },
         &CQVRMessageBox::m_strTitle, caption},
        {"setMsg", [](CQVRMessageBox& box, const Str& value) { return box.setMsg(value); }, &CQVRMessageBox::m_strMsg,
         text},
    };
    for (const auto& c : cases) {
        CQVRMessageBox box(nullptr, S("Caption"), S("Text"), CQVRFlags(0));
        qvrsim::resetAllocations();
        c.set(box, c.value);
        const size_t ulAllocations = qvrsim::allocationsMade();
        for (size_t n = 1; n <= ulAllocations; ++n) {
            CQVRMessageBox fresh(nullptr, S("Caption"), S("Text"), CQVRFlags(0));
            qvrsim::resetAllocations();
            qvrsim::failAllocation(n);
            const bool bSet = c.set(fresh, c.value);
            qvrsim::resetAllocations();
            if (bSet) {
                EXPECT_EQ(narrow(textOf(c.value)), narrow(textOf(fresh.*c.pField))) << c.szName << ", allocation " << n;
            }
        }
    }
#endif
}

// A string the program's table lacks: false, the target as it was, and the
// failure logged with the ID and the unknown library name.
TEST_F(SystemServicesTest, AMissingResourceStringIsLogged)
{
    CQVRWindowsResource resource;
    EXPECT_NE(nullptr, resource.m_hModule);
    Str text = S("before");
    EXPECT_FALSE(resource.loadString(64999, text));
    EXPECT_EQ("before", narrow(textOf(text)));
    EXPECT_EQ(1u, countLines(m_log, "\"Unable to load string ( ID: 64999 ) from resource DLL ( Unknown resource DLL "
                                    ")\""));
    CQVRMessageBox box(nullptr, S("Caption"), S("Kept"), CQVRFlags(0));
    EXPECT_FALSE(box.setMsg(64998));
    EXPECT_EQ("Kept", narrow(textOf(box.m_strMsg)));
}

// The program's own module not found: logged, and the object has no module.
TEST_F(SystemServicesTest, AResourceWithoutItsModuleIsLogged)
{
    const struct {
        const char* szFunction;
        DWORD ulError;
        const char* szEntry;
    } cases[] = {
        {"GetModuleFileNameW", ERROR_NOT_ENOUGH_MEMORY, "\"An unhandled exception occurred\" <Error: 0x00000008> "},
        {"GetModuleHandleW", ERROR_FILE_NOT_FOUND, "\"An unhandled exception occurred\" <Error: 0x00000002> "},
    };
    for (const auto& c : cases) {
        if (!qvrtest::failNext(c.szFunction, c.ulError))
            GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
        CQVRWindowsResource resource;
        EXPECT_EQ(nullptr, resource.m_hModule) << c.szFunction;
        EXPECT_EQ(1u, countLines(m_log, c.szEntry)) << c.szFunction;
    }
}

TEST_F(SystemServicesTest, TheVendorStorageFolder)
{
    Str path;
    ASSERT_TRUE(CQVRSystemInfo(CQVRSystemInfo::svDravonne).getStoragePath(path));
    EXPECT_TRUE(narrow(textOf(path)).size() > 10);
    EXPECT_EQ("\\Dravonne\\", narrow(textOf(path)).substr(narrow(textOf(path)).size() - 10));
    EXPECT_TRUE(qvrtest::fileExists(wstr(path.getText())));
    // Already there: nothing to make, still true.
    EXPECT_TRUE(CQVRSystemInfo(CQVRSystemInfo::svDravonne).getStoragePath(path));
    RemoveDirectoryW(path.getText());
    // An index past the vendor table names no folder: an index error.
    Str untouched = S("untouched");
    EXPECT_FALSE(CQVRSystemInfo(2).getStoragePath(untouched));
    EXPECT_EQ("untouched", narrow(textOf(untouched)));
    EXPECT_EQ(1u, countLines(m_log, "\"Index out of array bounds\""));
    if (!qvrtest::failNext("SHGetFolderPathW", 0x80004005))
        GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
    EXPECT_FALSE(CQVRSystemInfo(CQVRSystemInfo::svDravonne).getStoragePath(path));
    EXPECT_EQ(1u, countLines(m_log, "<CQVRSystemInfo::getStoragePath> \"Unable to obtain Windows shell folder path for "
                                    "folder ( \"CSIDL_COMMON_APPDATA\" ).  SHGetFolderPath( CSIDL_COMMON_APPDATA ) "
                                    "failed\" <Error: 0x80004005> "));
}

// The restart: the privilege enabled for it and disabled after, the question
// answered Yes, No or not at all, and a privilege the account lacks.
TEST_F(SystemServicesTest, RestartAsksAndUsesThePrivilege)
{
#ifdef _WIN32
    GTEST_SKIP() << "restarts and the answers to the question are recorded on the substitute only";
#else
    struct Case {
        const char* szName;
        bool bAsk;
        std::vector<int> answers;
        bool bHeld;
        bool bResult;
        size_t ulRestarts;
    };
    const Case cases[] = {
        {"no question", false, {}, true, true, 1},
        {"yes", true, {IDYES}, true, true, 1},
        {"no", true, {IDNO}, true, true, 0},
        {"box fails", true, {}, true, true, 0},
        {"privilege not held", false, {}, false, false, 0},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        qvrsim::setPrivilegeHeld(u"SeShutdownPrivilege", c.bHeld);
        qvrsim::queueMessageBoxAnswers(c.answers);
        CQVRWinReboot reboot;
        EXPECT_EQ(c.bResult, reboot.rebootSystem(c.bAsk, S("Caption"), S("Restart now?"), nullptr)) << c.szName;
        ASSERT_EQ(c.ulRestarts, qvrsim::restartsAsked().size()) << c.szName;
        if (c.ulRestarts != 0) {
            EXPECT_EQ(0x12u, qvrsim::restartsAsked()[0]) << c.szName;
        }
        EXPECT_EQ(c.bAsk ? 1u : 0u, qvrsim::messageBoxesShown().size()) << c.szName;
        if (c.bAsk) {
            EXPECT_EQ(static_cast<UINT>(MB_YESNO), qvrsim::messageBoxesShown()[0].style) << c.szName;
        }
        EXPECT_FALSE(qvrsim::privilegeEnabled(u"SeShutdownPrivilege")) << c.szName;  // disabled again
    }
    // The privilege is enabled while the restart is asked for.
    qvrtest::resetMachine();
    CQVRWinReboot reboot;
    EXPECT_TRUE(reboot.setShutdownPrivilege());
    EXPECT_TRUE(qvrsim::privilegeEnabled(u"SeShutdownPrivilege"));
    EXPECT_TRUE(reboot.resetShutdownPrivilege());
    EXPECT_FALSE(qvrsim::privilegeEnabled(u"SeShutdownPrivilege"));
    EXPECT_TRUE(reboot.doReboot(CQVRWinReboot::rkPowerOff, false, Str(), Str(), nullptr));
    EXPECT_EQ(0x18u, qvrsim::restartsAsked().back());
#endif
}

// Whatever stops the question, the restart's trace records what it answers.
TEST_F(SystemServicesTest, TheRestartTraceStoresItsResult)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    qvrtest::enableTextLog(0x0FFF);
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    const Str title = S("Caption");
    const Str message = S("Restart now?");
    CQVRWinReboot reboot;
    qvrsim::resetAllocations();
    reboot.doReboot(CQVRWinReboot::rkRestart, true, title, message, nullptr);
    const size_t ulAllocations = qvrsim::allocationsMade();
    for (size_t n = 1; n <= ulAllocations; ++n) {
        DeleteFileW(m_log.c_str());
        qvrsim::queueMessageBoxAnswers({IDNO});
        qvrsim::resetAllocations();
        qvrsim::failAllocation(n);
        const bool bResult = reboot.doReboot(CQVRWinReboot::rkRestart, true, title, message, nullptr);
        for (const wstr& line : qvrtest::linesWith(m_log, "<EXIT> <")) {
            const std::string text = narrow(line);
            if (text.find("<CQVRWinReboot::doReboot> ") != std::string::npos) {
                EXPECT_NE(std::string::npos, text.find(bResult ? "<Passed> " : "<Failed> ")) << "allocation " << n;
            }
        }
    }
#endif
}

}  // namespace
