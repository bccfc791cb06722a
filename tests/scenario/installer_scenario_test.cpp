// Whole runs of the installer on prepared machines: from the command line
// to the exit, the boxes shown, the patch log byte for byte, the record, the
// libraries with their .bak copies, the product process and the restart.
#include "qvr_scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using namespace qvrscenario;
using qvrtest::W;
using qvrtest::wstr;

const char* const kHook = "qvrkmd_windows_hook.dll";
const char* const kHook64 = "qvrkmd_windows_hook_x64.dll";
const char* const kInterface = "qvrkmd_interface.dll";

wstr bak(const wstr& path) { return path + W(".bak"); }

class InstallerScenario : public ScenarioTest {};

// Each gate that stops the run, with the one message it shows.
TEST_F(InstallerScenario, EveryGateShowsItsMessage)
{
    struct Case {
        const char* szName;
        std::function<void(InstallerScenario&)> prepare;
        const char* szMessage;
    };
    const Case cases[] = {
        {"not installed", [](InstallerScenario&) {}, kNotInstalled},
        {"not installed and an earlier patch",
         [](InstallerScenario&) {
             qvrtest::setString(HKEY_LOCAL_MACHINE, W("Software\\Dravonne\\Sentravault Solution\\Patch\\8100"), W("x"),
                                W("y"));
         },
         kNotInstalled},
        {"earlier patch",
         [](InstallerScenario& t) {
             t.install();
             qvrtest::setString(HKEY_LOCAL_MACHINE, W("Software\\Dravonne\\Sentravault Solution\\Patch\\8100"), W("x"),
                                W("y"));
         },
         kAlreadyInstalled},
        {"Windows 2000",
         [](InstallerScenario& t) {
             t.install();
             qvrsim::setWindowsVersion(5, 0, 2195, 4);
         },
         kWrongOS},
        {"Windows 10",
         [](InstallerScenario& t) {
             t.install();
             qvrsim::setWindowsVersion(10, 0, 19045, 0);
         },
         kWrongOS},
        // Without its version Windows cannot be asked for the platform either:
        // the product probe finds nothing, and that gate comes first.
        {"no Windows version",
         [](InstallerScenario& t) {
             t.install();
             qvrsim::setWindowsVersion(6, 1, 7601, 1, true, true);
         },
         kNotInstalled},
        {"820 build 6",
         [](InstallerScenario& t) {
             Install product;
             product.szVersion = "8.20.6";
             t.install(product);
         },
         kWrongVersion},
        {"8.22.1",
         [](InstallerScenario& t) {
             Install product;
             product.szVersion = "8.22.1";
             t.install(product);
         },
         kWrongVersion},
        {"8.20 without a build",
         [](InstallerScenario& t) {
             Install product;
             product.szVersion = "8.20";
             t.install(product);
         },
         kWrongVersion},
    };
    for (const Case& c : cases) {
        freshMachine();
        c.prepare(*this);
        package();
        run("/s");
        EXPECT_TRUE(boxTexts().empty()) << c.szName;
        EXPECT_EQ(answered(c.szMessage, 1), patchLog()) << c.szName;
        EXPECT_FALSE(recorded()) << c.szName;
        EXPECT_EQ(0u, terminated(library("keyminder.exe"))) << c.szName;
    }
}

// Silent is a substring anywhere in the command line.
TEST_F(InstallerScenario, SilentSwitches)
{
    struct Case {
        const char* szCommandLine;
        bool bSilent;
    };
    const Case cases[] = {{"/s", true},     {"/S", true},           {"-s", true},  {"-S", true}, {"/silent", true},
                          {"-Setup", true}, {"C:\\a\\-s\\b", true}, {"/Q", false}, {"", false}};
    for (const Case& c : cases) {
        freshMachine();
        run(c.szCommandLine, {IDOK});
        EXPECT_EQ(c.bSilent ? 0u : 1u, boxTexts().size()) << c.szCommandLine;
        EXPECT_EQ(answered(kNotInstalled, 1), patchLog()) << c.szCommandLine;
        if (!c.bSilent) {
            EXPECT_EQ(static_cast<UINT>(MB_OK), qvrsim::messageBoxesShown()[0].style);
        }
    }
}

// The full patch for both releases on both Windows: which libraries are
// replaced, their .bak copies, the record, the process, the log.
TEST_F(InstallerScenario, ThePatchReplacesTheReleaseLibraries)
{
    struct Case {
        const char* szVersion;
        bool b64Bit;
        std::vector<const char*> replaced32;  // in the install folder
        std::vector<const char*> replaced64;  // in the 64-bit install folder
    };
    const Case cases[] = {
        {"8.20.23", false, {kHook, kInterface}, {}},
        {"8.21.6", false, {kHook}, {}},
        {"8.20.23", true, {kHook, kInterface}, {kHook64, kInterface}},
        {"8.21.6", true, {kHook}, {kHook64}},
    };
    for (const Case& c : cases) {
        const std::string name = std::string(c.szVersion) + (c.b64Bit ? " on 64-bit" : " on 32-bit");
        freshMachine();
        Install product;
        product.szVersion = c.szVersion;
        product.b64BitWindows = c.b64Bit;
        product.libraryVersion = c.szVersion[3] == '0' ? "8.20.23.5" : "8.21.6.1";
        install(product);
        package();
        const std::string newVersion = c.szVersion[3] == '0' ? "8.20.24.0" : "8.21.7.0";
        run("/s");
        for (const char* szName : {kHook, kInterface}) {
            const bool bReplaced = std::find(c.replaced32.begin(), c.replaced32.end(), szName) != c.replaced32.end();
            EXPECT_EQ(bReplaced ? newVersion : product.libraryVersion, versionOf(library(szName))) << name << szName;
            EXPECT_EQ(bReplaced ? product.libraryVersion : "missing", versionOf(bak(library(szName))))
                << name << szName;
        }
        for (const char* szName : c.replaced64) {
            EXPECT_EQ(newVersion, versionOf(library64(szName))) << name << szName;
            EXPECT_EQ(product.libraryVersion, versionOf(bak(library64(szName)))) << name << szName;
        }
        EXPECT_TRUE(recorded()) << name;
        EXPECT_EQ(1u, terminated(library("keyminder.exe"))) << name;
        EXPECT_EQ(0u, running(library("keyminder.exe"))) << name;  // not started again
        EXPECT_EQ(5000u, qvrsim::sleptMilliseconds()) << name;
        EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")) + answered(kCompleted, 7), patchLog()) << name;
        EXPECT_TRUE(qvrsim::restartsAsked().empty()) << name;
        const std::vector<uint8_t> bytes = patchLogBytes();
        EXPECT_TRUE(bytes.size() > 4 && bytes[2] != 0xFF) << name;  // one mark only
    }
}

// The restart question answered by hand.
TEST_F(InstallerScenario, TheRestartQuestion)
{
    for (int iAnswer : {IDYES, IDNO}) {
        freshMachine();
        install();
        package();
        run("", {iAnswer});
        ASSERT_EQ(1u, boxTexts().size());
        EXPECT_EQ(kCompleted, boxTexts()[0]);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO), qvrsim::messageBoxesShown()[0].style);
        EXPECT_EQ(iAnswer == IDYES ? 1u : 0u, qvrsim::restartsAsked().size());
        if (iAnswer == IDYES) {
            EXPECT_EQ(0x12u, qvrsim::restartsAsked()[0]);
        }
        EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")) + answered(kCompleted, iAnswer), patchLog());
    }
}

// A product running from both install folders: both are stopped on 64-bit
// Windows; on 32-bit Windows there is only the one folder. A 32-bit installer
// cannot read a 64-bit process's modules (Windows fails it with 299): it asks
// for the image's name instead, whole from Vista on, as a device path on XP.
// Where nothing answers, the process is not taken for the product.
TEST_F(InstallerScenario, EveryRunningProductProcessIsStopped)
{
    const struct {
        const char* szName;
        std::function<void(qvrsim::Process&)> refuse;  // what the 64-bit process refuses
        std::function<void()> windows;
        bool bStopped64;
    } cases[] = {
        {"every path readable", [](qvrsim::Process&) {}, [] {}, true},
        {"Windows 7, modules unreadable", [](qvrsim::Process& p) { p.pathError = 299; }, [] {}, true},
        {"XP x64, modules unreadable", [](qvrsim::Process& p) { p.pathError = 299; },
         [] { qvrsim::setWindowsVersion(5, 2, 3790, 2); }, true},
        {"nothing readable",
         [](qvrsim::Process& p) {
             p.pathError = 299;
             p.imageNameError = ERROR_ACCESS_DENIED;
         },
         [] {}, false},
    };
    for (const auto& c : cases) {
        freshMachine();
        c.windows();
        Install product;
        product.bRunning64 = true;
        install(product);
        package();
        c.refuse(*qvrsim::findProcess(qvrsim::runningProcesses(library64("keyminder.exe")).at(0)));
        run("/s");
        EXPECT_EQ(1u, terminated(library("keyminder.exe"))) << c.szName;
        EXPECT_EQ(c.bStopped64 ? 1u : 0u, terminated(library64("keyminder.exe"))) << c.szName;
        EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")) +
                      (c.bStopped64 ? withPath(kWillTerminate, library64("keyminder.exe")) : std::string()) +
                      answered(kCompleted, 7),
                  patchLog())
            << c.szName;
    }

    // Not running: no stop, no wait.
    freshMachine();
    Install product;
    product.bRunning = false;
    install(product);
    package();
    run("/s");
    EXPECT_EQ(0u, qvrsim::sleptMilliseconds());
    EXPECT_EQ(answered(kCompleted, 7), patchLog());
    EXPECT_TRUE(recorded());
}

// Every library the installer loads is named by its full path in the system
// folder: a library of the same name beside it is never looked for.
TEST_F(InstallerScenario, LibrariesComeFromTheSystemFolderOnly)
{
    Install product;
    product.bRunning64 = true;
    install(product);
    package();
    run("/s");
    ASSERT_TRUE(recorded());
    const std::vector<wstr>& loaded = qvrsim::librariesLoaded();
    EXPECT_FALSE(loaded.empty());
    for (const wstr& name : loaded)
        EXPECT_EQ(0u, name.find(W("C:\\Windows\\system32\\"))) << qvrtest::narrow(name);
    EXPECT_EQ(0, qvrsim::libraryLoadBalance());
}

// One run at a time: the lock is held from before the product is stopped to
// after the record, and let go before the restart question, so a question
// left open holds no other run back. A lock that another run left abandoned is
// taken; one that cannot be made or waited for is written to the library's
// log, and the run goes on as runs did before.
TEST_F(InstallerScenario, OneRunAtATime)
{
    const wstr kLock = W("Global\\Dravonne.SentravaultSolution.Patch8102");
    const struct {
        const char* szName;
        std::function<void()> prepare;
        const char* szWarning;  // in the library's log; null for none
    } cases[] = {
        {"free", [] {}, nullptr},
        {"abandoned by a run that ended", [&] { qvrsim::abandonMutex(kLock); }, nullptr},
        {"cannot be made", [] { qvrtest::failNext("CreateMutexW", ERROR_ACCESS_DENIED); },
         "Unable to make the patch lock ( Global\\Dravonne.SentravaultSolution.Patch8102 )"},
        {"cannot be waited for", [] { qvrtest::failNext("WaitForSingleObject", ERROR_INVALID_HANDLE); },
         "Unable to wait for the patch lock ( Global\\Dravonne.SentravaultSolution.Patch8102 )"},
        {"cannot be released", [] { qvrtest::failNext("ReleaseMutex", ERROR_INVALID_HANDLE); },
         "Unable to release the patch lock ( Global\\Dravonne.SentravaultSolution.Patch8102 )"},
    };
    for (const auto& c : cases) {
        freshMachine();
        const wstr log = qvrtest::enableTextLog();
        install();
        package();
        c.prepare();
        qvrsim::resetCalls();
        run("", {IDNO});
        EXPECT_TRUE(recorded()) << c.szName;
        EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")) + answered(kCompleted, 7), patchLog()) << c.szName;
        EXPECT_FALSE(qvrsim::mutexOwned(kLock)) << c.szName;
        EXPECT_EQ(0u, qvrsim::openHandles()) << c.szName;
        const std::vector<std::string>& calls = qvrsim::callsMade();
        const auto at = [&](const char* szCall) {
            return std::find(calls.begin(), calls.end(), szCall) - calls.begin();
        };
        if (c.szWarning == nullptr) {
            // Taken before the product is looked for, let go before the
            // question is asked.
            EXPECT_LT(at("WaitForSingleObject"), at("EnumProcesses")) << c.szName;
            EXPECT_LT(at("RegSetValueExW"), at("ReleaseMutex")) << c.szName;
            EXPECT_LT(at("ReleaseMutex"), at("MessageBoxW")) << c.szName;
        }
        bool bWarned = false;
        for (const wstr& line : qvrtest::readLogLines(log))
            bWarned =
                bWarned || qvrtest::narrow(line).find(c.szWarning ? c.szWarning : "patch lock") != std::string::npos;
        EXPECT_EQ(c.szWarning != nullptr, bWarned) << c.szName;
    }
}

// Versions decide: a newer installed library stops the run (1130), an equal
// one too (1170), one without a version is replaced.
TEST_F(InstallerScenario, TheInstalledLibraryVersionDecides)
{
    struct Case {
        const char* szInstalled;
        const char* szMessage;  // null: the patch goes through
    };
    const Case cases[] = {{"8.20.25.0", kWrongVersion}, {"8.20.24.0", kAlreadyInstalled}, {"none", nullptr}};
    for (const Case& c : cases) {
        freshMachine();
        install();
        package();
        // The 64-bit hook, the first library compared.
        if (std::string(c.szInstalled) == "none")
            ASSERT_TRUE(qvrtest::writeProgram(library64(kHook64)));
        else {
            uint32_t ulMS = (8 << 16) | 20, ulLS = std::string(c.szInstalled) == "8.20.25.0" ? (25 << 16) : (24 << 16);
            ASSERT_TRUE(qvrtest::writeVersionedFile(library64(kHook64), ulMS, ulLS));
        }
        const std::string before = versionOf(library64(kHook64));
        run("/s");
        if (c.szMessage == nullptr) {
            EXPECT_TRUE(recorded());
            EXPECT_EQ("8.20.24.0", versionOf(library64(kHook64)));
            continue;
        }
        EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")) + answered(c.szMessage, 1), patchLog())
            << c.szInstalled;
        EXPECT_EQ(before, versionOf(library64(kHook64))) << c.szInstalled;
        EXPECT_EQ("missing", versionOf(bak(library64(kHook64)))) << c.szInstalled;
        EXPECT_FALSE(recorded()) << c.szInstalled;
        EXPECT_EQ(1u, running(library("keyminder.exe"))) << c.szInstalled;  // started again
    }
}

// A library that cannot be put in, first to fourth: its source missing,
// empty (a failed copy of the package) or no program image (an HTML page
// saved under its name). 1200, the log line that names it, every library
// back as before the run, no record, the product started again.
TEST_F(InstallerScenario, AFailedCopyPutsEveryLibraryBack)
{
    struct Case {
        const char* szSource;
        std::function<wstr()> target;
    };
    const Case cases[] = {
        {kHook64, [] { return library64(kHook64); }},
        {kHook, [] { return library(kHook); }},
        {"qvrkmd_interface_x64.dll", [] { return library64(kInterface); }},
        {kInterface, [] { return library(kInterface); }},
    };
    const std::string html = "<html><body>404 Not Found</body></html>";
    const std::pair<const char*, std::function<void(const wstr&)>> spoilt[] = {
        {"missing", [](const wstr& path) { DeleteFileW(path.c_str()); }},
        {"empty", [](const wstr& path) { qvrtest::writeFile(path, {}); }},
        {"a web page",
         [&](const wstr& path) {
             qvrtest::writeFile(path, {html.begin(), html.end()});
         }},
    };
    for (const auto& spoil : spoilt) {
        for (const Case& c : cases) {
            const std::string name = std::string(c.szSource) + " " + spoil.first;
            freshMachine();
            install();
            package();
            spoil.second(source("820", c.szSource));
            run("/s");
            EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")) + answered(kFailed, 1) +
                          withPath(kUpdateFailed, c.target()),
                      patchLog())
                << name;
            for (const wstr& path : {library(kHook), library(kInterface), library64(kHook64), library64(kInterface)}) {
                EXPECT_EQ("8.20.23.5", versionOf(path)) << name << " " << qvrtest::narrow(path);
                EXPECT_EQ("missing", versionOf(bak(path))) << name << " " << qvrtest::narrow(path);
            }
            EXPECT_FALSE(recorded()) << name;
            EXPECT_EQ(1u, running(library("keyminder.exe"))) << name;
            // A second run finds nothing half done.
            qvrsim::queueMessageBoxAnswers({});
            package();
            run("/s");
            EXPECT_TRUE(recorded()) << name;
        }
    }

    // A library the product did not have goes again with the rest: a later
    // run would meet it, take the patch for done (1170) and never record it.
    freshMachine();
    install();
    package();
    ASSERT_TRUE(DeleteFileW(library(kHook).c_str()));
    DeleteFileW(source("820", kInterface).c_str());
    run("/s");
    EXPECT_EQ("missing", versionOf(library(kHook)));
    EXPECT_EQ("8.20.23.5", versionOf(library64(kHook64)));
    EXPECT_FALSE(recorded());
    package();
    run("/s");
    EXPECT_EQ("8.20.24.0", versionOf(library(kHook)));
    EXPECT_TRUE(recorded());

    // A package library that is a program without a version resource is put
    // in all the same.
    freshMachine();
    install();
    package();
    ASSERT_TRUE(qvrtest::writeProgram(source("820", kHook)));
    run("/s");
    EXPECT_EQ("none", versionOf(library(kHook)));
    EXPECT_TRUE(recorded());
}

// No 64-bit install directory: the run fails without a message, and the
// product is started again.
TEST_F(InstallerScenario, AnUnreadable64BitInstallDirectory)
{
    Install product;
    product.bInstallPath64 = false;
    install(product);
    package();
    run("/s");
    EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")), patchLog());
    EXPECT_EQ("8.20.23.5", versionOf(library(kHook)));
    EXPECT_FALSE(recorded());
    EXPECT_EQ(1u, running(library("keyminder.exe")));
}

TEST_F(InstallerScenario, ALegacyInstallationIsRecordedUnderItsKey)
{
    Install product;
    product.bLegacyKey = true;
    product.b64BitWindows = false;
    install(product);
    package();
    run("/s");
    EXPECT_TRUE(recorded(kLegacyKey));
    EXPECT_FALSE(recorded());
}

// After a successful run the second finds the first library equal: 1170,
// nothing moved, the product started again; the log grows, one mark only.
TEST_F(InstallerScenario, ASecondRun)
{
    install();
    package();
    run("/s");
    const std::string first = patchLog();
    qvrsim::startProcess(library("keyminder.exe"));
    run("/s");
    EXPECT_EQ(first + withPath(kWillTerminate, library("keyminder.exe")) + answered(kAlreadyInstalled, 1), patchLog());
    EXPECT_EQ("8.20.23.5", versionOf(bak(library64(kHook64))));
    EXPECT_EQ(1u, running(library("keyminder.exe")));
}

// A patch log that cannot be written does not stop the run.
TEST_F(InstallerScenario, APatchLogThatCannotBeWritten)
{
    install();
    package();
    ASSERT_TRUE(CreateDirectoryW(QVR_T("C:\\patch\\patchlog.txt"), nullptr));
    run("/s");
    EXPECT_TRUE(recorded());
    EXPECT_EQ("8.20.24.0", versionOf(library(kHook)));
}

// Another run writing its line holds the log for a moment: the line waits
// for it instead of being lost. One that stays held is given up.
TEST_F(InstallerScenario, APatchLogHeldByAnotherRun)
{
    for (int iRefusals : {1, 49, 50}) {
        freshMachine();
        install();
        package();
        // The first file the run opens is the log, for the line of the
        // product it stops.
        qvrtest::failNext("CreateFileW", ERROR_SHARING_VIOLATION, iRefusals);
        run("/s");
        EXPECT_EQ((iRefusals < 50 ? withPath(kWillTerminate, library("keyminder.exe")) : std::string()) +
                      answered(kCompleted, 7),
                  patchLog())
            << iRefusals;
        EXPECT_TRUE(recorded()) << iRefusals;
    }
}

// The user's language: the message in German, the log line that the German
// table lacks in English.
TEST_F(InstallerScenario, TheUsersLanguage)
{
    qvrsim::setUILanguage(0x0407);
    Install product;
    product.szVersion = "8.20.23";
    install(product);
    package();
    DeleteFileW(source("820", kInterface).c_str());
    run("/s");
    const std::string german =
        "Eine unbekannte Ausnahme ist aufgetreten, die Installation des Patchs ist fehlgeschlagen.";
    EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")) + answered(german.c_str(), 1) +
                  withPath(kUpdateFailed, library(kInterface)),
              patchLog());
}

}  // namespace
