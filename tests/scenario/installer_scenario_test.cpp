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
// Windows; on 32-bit Windows there is only the one folder.
TEST_F(InstallerScenario, EveryRunningProductProcessIsStopped)
{
    Install product;
    product.bRunning64 = true;
    install(product);
    package();
    run("/s");
    EXPECT_EQ(1u, terminated(library("keyminder.exe")));
    EXPECT_EQ(1u, terminated(library64("keyminder.exe")));
    EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")) +
                  withPath(kWillTerminate, library64("keyminder.exe")) + answered(kCompleted, 7),
              patchLog());

    // Not running: no stop, no wait.
    freshMachine();
    product.bRunning = false;
    product.bRunning64 = false;
    install(product);
    package();
    run("/s");
    EXPECT_EQ(0u, qvrsim::sleptMilliseconds());
    EXPECT_EQ(answered(kCompleted, 7), patchLog());
    EXPECT_TRUE(recorded());
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

// A library that cannot be copied, first to fourth: 1200, the log line that
// names it, every library back as before the run, no record, the product
// started again.
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
    for (const Case& c : cases) {
        freshMachine();
        install();
        package();
        DeleteFileW(source("820", c.szSource).c_str());
        run("/s");
        EXPECT_EQ(withPath(kWillTerminate, library("keyminder.exe")) + answered(kFailed, 1) +
                      withPath(kUpdateFailed, c.target()),
                  patchLog())
            << c.szSource;
        for (const wstr& path : {library(kHook), library(kInterface), library64(kHook64), library64(kInterface)}) {
            EXPECT_EQ("8.20.23.5", versionOf(path)) << c.szSource << " " << qvrtest::narrow(path);
            EXPECT_EQ("missing", versionOf(bak(path))) << c.szSource << " " << qvrtest::narrow(path);
        }
        EXPECT_FALSE(recorded()) << c.szSource;
        EXPECT_EQ(1u, running(library("keyminder.exe"))) << c.szSource;
        // A second run finds nothing half done.
        qvrsim::queueMessageBoxAnswers({});
        package();
        run("/s");
        EXPECT_TRUE(recorded()) << c.szSource;
    }
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
