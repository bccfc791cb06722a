// Whole runs replayed once for every platform call they make, with that call
// failing: whatever fails, the run ends cleanly, leaves the product either
// patched and recorded or exactly as it found it, keeps its patch log whole,
// and does not leave the product stopped.
#include "qvr_scenario.h"

#include "qvr_patch_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace {

using namespace qvrscenario;
using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

const char* const kHook = "qvrkmd_windows_hook.dll";
const char* const kHook64 = "qvrkmd_windows_hook_x64.dll";
const char* const kInterface = "qvrkmd_interface.dll";

// Every key below HKLM\Software, in both views, by its path.
void addKeys(HKEY hParent, const wstr& path, REGSAM view, std::set<wstr>& keys)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hParent, path.c_str(), 0, KEY_READ | view, &hKey) != ERROR_SUCCESS)
        return;
    keys.insert(path);
    WCHAR szName[256];
    for (DWORD ulIndex = 0;; ++ulIndex) {
        DWORD ulChars = 256;
        if (RegEnumKeyExW(hKey, ulIndex, szName, &ulChars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        addKeys(hParent, path + W("\\") + szName, view, keys);
    }
    RegCloseKey(hKey);
}

std::set<wstr> softwareKeys()
{
    std::set<wstr> keys;
    addKeys(HKEY_LOCAL_MACHINE, W("Software"), KEY_WOW64_64KEY, keys);
    addKeys(HKEY_LOCAL_MACHINE, W("Software"), KEY_WOW64_32KEY, keys);
    return keys;
}

// What a run may change.
struct Snapshot {
    std::map<std::string, std::string> versions;  // each library and its .bak
    // The whole record, and its key: deployment tools look for the key alone.
    bool bRecorded = false;
    bool bRecordKey = false;
    std::vector<uint8_t> log;
    size_t ulStopped = 0;  // product processes ended so far

    bool sameProduct(const Snapshot& other) const
    {
        return versions == other.versions && bRecorded == other.bRecorded && bRecordKey == other.bRecordKey;
    }
    std::string describe() const
    {
        std::ostringstream out;
        for (const auto& entry : versions)
            out << "  " << entry.first << ": " << entry.second << "\n";
        out << "  recorded: " << bRecorded << ", record key: " << bRecordKey << "\n";
        return out.str();
    }
};

// What is wrong with a patch log: it must be one byte-order mark, then whole
// lines of UTF-16 that each end in CR LF. Empty when nothing is.
std::string logFault(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return "";
    if (bytes.size() % 2 != 0)
        return "an odd number of bytes";
    if (bytes[0] != 0xFF || bytes[1] != 0xFE)
        return "no byte-order mark";
    std::vector<uint16_t> units;
    for (size_t i = 2; i < bytes.size(); i += 2)
        units.push_back(static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i] == 0xFEFF)
            return "a second byte-order mark";
        if (units[i] == '\r' && (i + 1 == units.size() || units[i + 1] != '\n'))
            return "a CR without LF";
        if (units[i] == '\n' && (i == 0 || units[i - 1] != '\r'))
            return "an LF without CR";
    }
    if (!units.empty() && units.back() != '\n')
        return "a last line without its end";
    return "";
}

class InstallerFaults : public ScenarioTest {
protected:
    struct Scenario {
        std::string name;
        Install product;
        std::function<void(InstallerFaults&)> prepare;  // after the product and the package
        std::vector<wstr> replaced;                     // what a successful run replaces
        std::string newVersion;
        // Answered by hand, so that the boxes and a restart are calls too.
        const char* szCommandLine = "";
    };

    static Scenario release(const char* szVersion, bool b64Bit)
    {
        const bool b820 = szVersion[3] == '0';
        Scenario s;
        s.name = std::string(szVersion) + (b64Bit ? " on 64-bit" : " on 32-bit");
        s.product.szVersion = szVersion;
        s.product.b64BitWindows = b64Bit;
        s.product.libraryVersion = b820 ? "8.20.23.5" : "8.21.6.1";
        s.newVersion = b820 ? "8.20.24.0" : "8.21.7.0";
        s.replaced = {library(kHook)};
        if (b820)
            s.replaced.push_back(library(kInterface));
        if (b64Bit)
            s.replaced.push_back(library64(kHook64));
        if (b64Bit && b820)
            s.replaced.push_back(library64(kInterface));
        return s;
    }

    Snapshot snapshot() const
    {
        Snapshot s;
        for (const wstr& path : {library(kHook), library(kInterface), library64(kHook64), library64(kInterface)}) {
            s.versions[narrow(path)] = versionOf(path);
            s.versions[narrow(path) + ".bak"] = versionOf(path + W(".bak"));
        }
        s.bRecorded = recorded();
        s.bRecordKey = qvrtest::keyExists(HKEY_LOCAL_MACHINE, W(kProductKey) + W("\\Patch\\8102"));
        s.log = patchLogBytes();
        s.ulStopped = terminated(library("keyminder.exe"));
        return s;
    }

    // A fresh machine as the scenario has it; what the run may change.
    Snapshot prepare(const Scenario& scenario)
    {
        freshMachine();
        install(scenario.product);
        package();
        if (scenario.prepare)
            scenario.prepare(*this);
        return snapshot();
    }

    // The run's exit code; nothing may leave it.
    int runOnce(const Scenario& scenario)
    {
        qvrsim::queueMessageBoxAnswers({IDYES});
        try {
            return runPatch(W(scenario.szCommandLine).c_str());
        } catch (...) {
            ADD_FAILURE() << "an exception left the entry point";
            return -1;
        }
    }

    // The run with the n-th call failing (none for 0); the calls it made.
    // Up to the failing call it must make the clean run's calls, or the
    // n-th call would be another each time.
    std::vector<std::string> replay(const Scenario& scenario, size_t n, const std::vector<std::string>& clean = {})
    {
        const Snapshot before = prepare(scenario);
        qvrsim::resetCalls();
        qvrsim::failCall(n);
        const int iExit = runOnce(scenario);
        std::vector<std::string> calls = qvrsim::callsMade();  // a copy: the next run counts afresh
        const std::string failing = n == 0 ? "" : calls.size() < n ? "beyond the run" : calls[n - 1];
        const std::string where = scenario.name + ", call " + std::to_string(n) + " " + failing;
        EXPECT_TRUE(n == 0 || (calls.size() >= n && std::equal(calls.begin(), calls.begin() + n, clean.begin())))
            << where << ": not the clean run's calls up to the failing one";
        EXPECT_EQ(0, iExit) << where;
        // A handle whose close the platform refused stays open: a handle
        // value is never closed twice on Windows, it may be another's by then.
        const bool bCloseRefused = failing == "CloseHandle" || failing == "RegCloseKey" || failing == "FindClose";
        EXPECT_LE(qvrsim::openHandles(), bCloseRefused ? 1u : 0u) << where;
        check(scenario, before, failing, where);
        return calls;
    }

    void check(const Scenario& scenario, const Snapshot& before, const std::string& failing, const std::string& where)
    {
        const Snapshot after = snapshot();
        // Patched: each library of the release new, its .bak what was there.
        Snapshot patched = before;
        patched.bRecorded = true;
        patched.bRecordKey = true;
        for (const wstr& path : scenario.replaced) {
            patched.versions[narrow(path) + ".bak"] = before.versions.at(narrow(path));
            patched.versions[narrow(path)] = scenario.newVersion;
        }
        const bool bPatched = !scenario.replaced.empty() && after.sameProduct(patched);
        // Without a failure the scenario's own outcome: else a run that did
        // nothing at all would pass.
        if (failing.empty()) {
            EXPECT_EQ(!scenario.replaced.empty(), bPatched) << where << ": the clean run\n" << after.describe();
        }
        EXPECT_TRUE(bPatched || after.sameProduct(before)) << where << ": neither patched nor as before\nbefore:\n"
                                                           << before.describe() << "after:\n"
                                                           << after.describe();
        // The log only grows, and stays whole (also where it goes when the
        // installer cannot tell its own folder).
        const size_t kept = std::min(after.log.size(), before.log.size());
        EXPECT_TRUE(std::equal(before.log.begin(), before.log.end(), after.log.begin(), after.log.begin() + kept))
            << where << ": the patch log lost what it had";
        EXPECT_EQ("", logFault(after.log)) << where;
        EXPECT_EQ("", logFault(qvrtest::readFile(W("C:\\patchlog.txt")))) << where << " (in C:\\)";
        if (!bPatched && after.ulStopped > before.ulStopped && failing != "ShellExecuteW") {
            EXPECT_LE(1u, running(library("keyminder.exe"))) << where << ": the product was left stopped";
        }
    }

    void replayEveryCall(const Scenario& scenario)
    {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::string> clean = replay(scenario, 0);
        for (size_t n = 1; n <= clean.size(); ++n)
            replay(scenario, n, clean);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        std::cout << "[ replayed ] " << scenario.name << ": " << clean.size() << " calls, " << ms << " ms\n";
    }
};

TEST_F(InstallerFaults, TheReleasesOnBothWindows)
{
    for (const char* szVersion : {"8.20.23", "8.21.6"})
        for (bool b64Bit : {true, false})
            replayEveryCall(release(szVersion, b64Bit));
}

// The product running from both install folders: two processes stopped.
TEST_F(InstallerFaults, TheProductRunningTwice)
{
    Scenario s = release("8.20.23", true);
    s.name += ", running twice";
    s.product.bRunning64 = true;
    replayEveryCall(s);
}

// The 64-bit product process whose modules a 32-bit installer cannot read:
// its image name is asked for instead, whole on Windows 7, as a device path
// on XP x64; every one of those calls failing in turn.
TEST_F(InstallerFaults, TheProductsImageReadAnotherWay)
{
    for (bool bXP : {false, true}) {
        Scenario s = release("8.20.23", true);
        s.name += bXP ? ", XP x64, modules unreadable" : ", modules unreadable";
        s.product.bRunning64 = true;
        s.prepare = [bXP](InstallerFaults&) {
            if (bXP)
                qvrsim::setWindowsVersion(5, 2, 3790, 2);
            qvrsim::findProcess(qvrsim::runningProcesses(library64("keyminder.exe")).at(0))->pathError = 299;
        };
        replayEveryCall(s);
    }
}

// Every failure on the way back: the last library cannot be copied, so the
// three before it go back and the product is started again.
TEST_F(InstallerFaults, AFailedRunPuttingLibrariesBack)
{
    Scenario s = release("8.20.23", true);
    s.name += ", the last copy failing";
    s.prepare = [](InstallerFaults&) { DeleteFileW(source("820", kInterface).c_str()); };
    s.replaced.clear();
    replayEveryCall(s);
}

// After a successful run the next one changes nothing, whatever fails.
TEST_F(InstallerFaults, ASecondRun)
{
    Scenario s = release("8.20.23", true);
    s.name += ", a second run";
    s.prepare = [](InstallerFaults& t) {
        t.run("/s");
        qvrsim::startProcess(library("keyminder.exe"));
    };
    s.replaced.clear();
    replayEveryCall(s);
}

// The heap running out at every allocation of a run in turn, on a machine as
// the product leaves it, one whose InstallPath lacks its closing backslash
// and one registered under the former owner's key. The string's changes are
// whole or none, so no path comes out short: nothing may crash or leak (the
// sanitizers watch that), no handle stay open, no library stay moved aside
// or be copied anywhere but its own folder, no key be made but the
// record's, no patch be recorded with a library left old, nor the product
// stopped.
TEST_F(InstallerFaults, EveryFailingAllocation)
{
    Scenario withoutBackslash = release("8.20.23", true);
    withoutBackslash.name += ", InstallPath without its backslash";
    withoutBackslash.product.bClosingBackslash = false;
    Scenario legacy = release("8.20.23", true);
    legacy.name += ", the legacy key";
    legacy.product.bLegacyKey = true;
    for (const Scenario& s : {release("8.20.23", true), withoutBackslash, legacy}) {
        size_t ulAllocations = 0;
        for (size_t n = 0; n == 0 || n <= ulAllocations; ++n) {
            const Snapshot before = prepare(s);
            const std::set<wstr> keysBefore = softwareKeys();
            qvrsim::resetAllocations();
            qvrsim::failAllocation(n);
            const int iExit = runOnce(s);
            if (n == 0)
                ulAllocations = qvrsim::allocationsMade();
            const std::string where = s.name + ", allocation " + std::to_string(n);
            EXPECT_EQ(0, iExit) << where;
            EXPECT_EQ(0u, qvrsim::openHandles()) << where;
            // A record key whose path came out short would be another key, one
            // that a later run or a deployment tool could take for a patch.
            for (const wstr& key : softwareKeys())
                if (keysBefore.count(key) == 0 && key.find(W("\\Patch\\8102")) == wstr::npos &&
                    !(key.size() >= 6 && key.compare(key.size() - 6, 6, W("\\Patch")) == 0))
                    ADD_FAILURE() << where << ": a key was made: " << narrow(key);
            const Snapshot after = snapshot();
            bool bAllNew = true;
            for (const wstr& path : s.replaced) {
                const std::string version = after.versions.at(narrow(path));
                EXPECT_TRUE(version == before.versions.at(narrow(path)) || version == s.newVersion)
                    << where << ": " << narrow(path) << " " << version;
                bAllNew = bAllNew && version == s.newVersion;
                // A folder's path without its backslash runs into the name.
                const wstr folder = path.substr(0, path.rfind(W("\\")));
                const wstr runTogether = folder + path.substr(path.rfind(W("\\")) + 1);
                EXPECT_FALSE(qvrtest::fileExists(runTogether)) << where << ": " << narrow(runTogether);
            }
            EXPECT_TRUE(bAllNew || !(recorded(kProductKey) || recorded(kLegacyKey)))
                << where << ": recorded with a library left old";
            if (!bAllNew && after.ulStopped > before.ulStopped) {
                EXPECT_LE(1u, running(library("keyminder.exe"))) << where << ": the product was left stopped";
            }
        }
        std::cout << "[ replayed ] " << s.name << ": " << ulAllocations << " allocations\n";
    }
}

// What the user is told when one call fails: the run's one failure message,
// the log line that names the library, and the product back as it was.
TEST_F(InstallerFaults, WhatAFailedCallLeaves)
{
    const std::string stopped = withPath(kWillTerminate, library("keyminder.exe"));
    const std::string firstRun = stopped + answered(kCompleted, 7);
    const auto secondRun = [](InstallerFaults& t) {
        t.run("/s");
        qvrsim::startProcess(library("keyminder.exe"));
    };
    const auto lastSourceMissing = [](InstallerFaults&) { DeleteFileW(source("820", kInterface).c_str()); };
    struct Case {
        const char* szName;
        std::function<void(InstallerFaults&)> prepare;
        const char* szFunction;  // the failing call: this function's ...
        size_t ulOccurrence;     // ... n-th call in the run
        std::string log;         // the whole patch log
    };
    const Case cases[] = {
        // The 32-bit hook cannot be moved to its .bak: copied over, it would
        // be lost.
        {"a library that cannot be moved aside", nullptr, "MoveFileExW", 2,
         stopped + answered(kFailed, 1) + withPath(kUpdateFailed, library(kHook))},
        // Replaced libraries without their record are no patch.
        {"a record that cannot be written", nullptr, "RegSetValueExW", 2, stopped + answered(kFailed, 1)},
        // A version that cannot be read may be the patch's own.
        {"a version that cannot be read", secondRun, "GetFileVersionInfoW", 1,
         firstRun + stopped + answered(kFailed, 1) + withPath(kUpdateFailed, library64(kHook64))},
        // The last library replaced cannot be moved back: it is copied back.
        {"a library that cannot be moved back", lastSourceMissing, "MoveFileExW", 4,
         stopped + answered(kFailed, 1) + withPath(kUpdateFailed, library(kInterface))},
    };
    for (const Case& c : cases) {
        Scenario s = release("8.20.23", true);
        s.name = c.szName;
        s.szCommandLine = "/s";
        s.prepare = c.prepare;
        if (c.prepare)
            s.replaced.clear();  // neither of these runs patches
        const std::vector<std::string> clean = replay(s, 0);
        size_t n = 0;
        for (size_t seen = 0; n < clean.size() && seen < c.ulOccurrence; ++n)
            seen += clean[n] == c.szFunction ? 1 : 0;
        s.replaced.clear();
        replay(s, n, clean);
        EXPECT_EQ(c.log, patchLog()) << c.szName;
        EXPECT_EQ(1u, running(library("keyminder.exe"))) << c.szName;
    }
    // A library that is there but whose move answers "path not found" is not
    // copied over either: only a missing library needs no move.
    Scenario s = release("8.20.23", true);
    s.szCommandLine = "/s";
    const Snapshot before = prepare(s);
    qvrsim::failNext("MoveFileExW", ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(0, runOnce(s));
    const Snapshot after = snapshot();
    EXPECT_TRUE(after.sameProduct(before)) << after.describe();
    EXPECT_EQ(stopped + answered(kFailed, 1) + withPath(kUpdateFailed, library64(kHook64)), patchLog());
}

}  // namespace
