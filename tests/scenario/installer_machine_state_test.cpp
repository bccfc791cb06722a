// Machines in a state the product would not leave them in: odd registry
// values, install folders named oddly or not there, a patch package that is
// incomplete, files that cannot be written, an installer deep in the
// folders. Each run ends with one outcome: the product patched and recorded,
// or left as it was with the message that says why.
#include "qvr_scenario.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace qvrscenario;
using qvrtest::W;
using qvrtest::wstr;

const char* const kHook = "qvrkmd_windows_hook.dll";
const char* const kInterface = "qvrkmd_interface.dll";
const char* const kProgram = "keyminder.exe";
const char* const kProductKeyPath = "Software\\Dravonne\\Sentravault Solution";

class InstallerMachineStates : public ScenarioTest {
public:
    void setProductValue(const char* szName, const wstr& value)
    {
        qvrtest::setString(HKEY_LOCAL_MACHINE, W(kProductKeyPath), W(szName), value);
    }

    // The product's files in another folder, which InstallPath names as
    // given; its process runs from there.
    void installIn(const wstr& folder, const wstr& installPath)
    {
        setProductValue("InstallPath", installPath);
        for (const char* szName : {kHook, kInterface})
            writeLibrary(folder + W(szName), "8.20.23.5");
        ASSERT_TRUE(qvrtest::writeProgram(folder + W(kProgram)));
        qvrsim::startProcess(folder + W(kProgram));
    }
};

// The package's libraries as a CD or a read-only share gives them.
void readOnlyPackage()
{
    for (const char* szName : {kHook, kInterface})
        ASSERT_TRUE(SetFileAttributesW(ScenarioTest::source("820", szName).c_str(), FILE_ATTRIBUTE_READONLY));
}

bool isReadOnly(const wstr& path)
{
    const DWORD ulAttributes = GetFileAttributesW(path.c_str());
    return ulAttributes != INVALID_FILE_ATTRIBUTES && (ulAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// The text of a patch log after its byte-order mark.
std::string textOf(const std::vector<uint8_t>& bytes)
{
    wstr text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<WCHAR>(bytes[i] | (bytes[i + 1] << 8));
    return qvrtest::narrow(text);
}

// A folder path of exactly this many characters, ending in a backslash
// (in folders of a hundred characters, which any host can name).
wstr folderOf(size_t ulChars)
{
    wstr folder = W("C:\\");
    while (folder.size() + 101 < ulChars)
        folder += wstr(100, static_cast<WCHAR>('d')) + W("\\");
    return folder + wstr(ulChars - folder.size() - 1, static_cast<WCHAR>('d')) + W("\\");
}

TEST_F(InstallerMachineStates, EachStateHasItsOutcome)
{
    struct Case {
        std::string name;
        std::function<void(InstallerMachineStates&)> prepare;  // after the product (32-bit Windows) and the package
        std::function<std::string()> log;                      // the whole patch log the run leaves
        bool bPatched;
        wstr folder = library("");          // where the product's libraries are
        wstr logFolder = W("C:\\patch\\");  // where the installer is
    };
    const auto stopped = [](const wstr& folder) { return withPath(kWillTerminate, folder + W(kProgram)); };
    const auto completed = [=](const wstr& folder) {
        return [=] { return stopped(folder) + answered(kCompleted, 7); };
    };
    const auto failed = [](const char* szStopped, const wstr& target) {
        return [=] {
            return (szStopped ? withPath(kWillTerminate, W(szStopped)) : std::string()) + answered(kFailed, 1) +
                   withPath(kUpdateFailed, target);
        };
    };
    const auto only = [](const char* szMessage) { return [=] { return answered(szMessage, 1); }; };
    const char* const kRunning = "C:\\Program Files (x86)\\Sentravault\\keyminder.exe";
    const wstr longFolder =
        W("C:\\") + wstr(200, static_cast<WCHAR>('a')) + W("\\") + wstr(100, static_cast<WCHAR>('b')) + W("\\");

    std::vector<Case> cases = {
        // The registered version: only release 8.20 build 23 (or 8.21 build
        // 6) is patched, whatever else the value holds.
        {"Version as REG_DWORD",
         [](InstallerMachineStates&) {
             const DWORD ulVersion = 820;
             qvrtest::setValueBytes(HKEY_LOCAL_MACHINE, W(kProductKeyPath), W("Version"), REG_DWORD, &ulVersion,
                                    sizeof ulVersion);
         },
         only(kWrongVersion), false},
        {"Version as REG_BINARY",
         [](InstallerMachineStates&) {
             qvrtest::setValueBytes(HKEY_LOCAL_MACHINE, W(kProductKeyPath), W("Version"), REG_BINARY, "8.20.23", 7);
         },
         only(kWrongVersion), false},
        {"Version empty", [](InstallerMachineStates& t) { t.setProductValue("Version", W("")); }, only(kWrongVersion),
         false},
        // Longer than the 259 characters a registry text is read with: no
        // version, so no product.
        {"Version of 300 characters",
         [](InstallerMachineStates& t) {
             t.setProductValue("Version", W(("8.20.23." + std::string(292, '1')).c_str()));
         },
         only(kNotInstalled), false},
        {"Version 8.20.23.x", [](InstallerMachineStates& t) { t.setProductValue("Version", W("8.20.23.x")); },
         completed(library("")), true},
        {"Version 99999999999.20.23",
         [](InstallerMachineStates& t) { t.setProductValue("Version", W("99999999999.20.23")); }, only(kWrongVersion),
         false},
        // The install folder: a missing backslash is put in, a folder that
        // is not there or cannot be read fails before anything is moved.
        {"InstallPath without its backslash",
         [](InstallerMachineStates& t) { t.setProductValue("InstallPath", W("C:\\Program Files (x86)\\Sentravault")); },
         completed(library("")), true},
        // The longest a registry text is read: the whole of it is the
        // folder. (Its program's path is longer than the 260 characters a
        // process's path is read with, so it is not found running: Windows
        // cannot start a program from there.)
        {"InstallPath of 259 characters", [](InstallerMachineStates& t) { t.installIn(folderOf(259), folderOf(259)); },
         [] { return answered(kCompleted, 7); }, true, folderOf(259)},
        {"InstallPath empty", [](InstallerMachineStates& t) { t.setProductValue("InstallPath", W("")); },
         failed(nullptr, W(kHook)), false},
        {"InstallPath of a missing folder",
         [](InstallerMachineStates& t) { t.setProductValue("InstallPath", W("C:\\Nowhere\\")); },
         failed(nullptr, W("C:\\Nowhere\\qvrkmd_windows_hook.dll")), false},
        // The package beside the installer.
        {"no patch package",
         [](InstallerMachineStates&) {
             for (const char* szName : {kHook, kInterface, "qvrkmd_windows_hook_x64.dll", "qvrkmd_interface_x64.dll"})
                 DeleteFileW(source("820", szName).c_str());
             ASSERT_TRUE(RemoveDirectoryW(W("C:\\patch\\820").c_str()));
         },
         failed(kRunning, library(kHook)), false},
        {"a source that is a folder",
         [](InstallerMachineStates&) {
             DeleteFileW(source("820", kInterface).c_str());
             ASSERT_TRUE(CreateDirectoryW(source("820", kInterface).c_str(), nullptr));
         },
         failed(kRunning, library(kInterface)), false},
        // Files that cannot be written.
        {"a read-only library",
         [](InstallerMachineStates&) {
             ASSERT_TRUE(SetFileAttributesW(library(kHook).c_str(), FILE_ATTRIBUTE_READONLY));
         },
         completed(library("")), true},
        // Windows replaces no read-only file: the run clears the attribute
        // where it must replace one, and leaves no library read-only
        // because the package was.
        {"a read-only .bak from before",
         [](InstallerMachineStates&) {
             writeLibrary(library(kHook) + W(".bak"), "8.20.23.5");
             ASSERT_TRUE(SetFileAttributesW((library(kHook) + W(".bak")).c_str(), FILE_ATTRIBUTE_READONLY));
         },
         completed(library("")), true},
        {"a package on read-only media", [](InstallerMachineStates&) { readOnlyPackage(); }, completed(library("")),
         true},
        // Its rollback too: the new copies came read-only from the package.
        {"a package on read-only media without its interface library",
         [](InstallerMachineStates&) {
             readOnlyPackage();
             ASSERT_TRUE(SetFileAttributesW(source("820", kInterface).c_str(), FILE_ATTRIBUTE_NORMAL));
             ASSERT_TRUE(DeleteFileW(source("820", kInterface).c_str()));
         },
         failed(kRunning, library(kInterface)), false},
        {"a read-only patch log",
         [](InstallerMachineStates&) {
             const wstr log = W("C:\\patch\\patchlog.txt");
             HANDLE hLog = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
             ASSERT_NE(INVALID_HANDLE_VALUE, hLog);
             CloseHandle(hLog);
             ASSERT_TRUE(SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_READONLY));
         },
         [] { return std::string(); }, true},
        // The installer's path is longer than 260 characters: its folder is
        // still its own, not the one a cut path would name.
        {"an installer path of 317 characters",
         [=](InstallerMachineStates&) {
             qvrsim::setModulePath(longFolder + W("qvrpatch.exe"));
             for (const char* szName : {kHook, kInterface})
                 writeLibrary(longFolder + W("820\\") + W(szName), "8.20.24.0");
         },
         completed(library("")), true, library(""), longFolder},
    };
    for (size_t ulChars : {260, 261, 262})
        cases.push_back({"InstallPath of " + std::to_string(ulChars) + " characters",
                         [=](InstallerMachineStates& t) { t.installIn(folderOf(ulChars), folderOf(ulChars)); },
                         failed(nullptr, W(kHook)), false, folderOf(ulChars)});

    for (const Case& c : cases) {
        freshMachine();
        Install product;
        product.b64BitWindows = false;
        install(product);
        package();
        c.prepare(*this);
        run("/s");
        EXPECT_EQ(c.log(), textOf(qvrtest::readFile(c.logFolder + W("patchlog.txt")))) << c.name;
        // Nowhere else: not in the folder a cut installer path names, nor
        // (with a library) in the current one.
        EXPECT_FALSE(qvrtest::fileExists(longFolder.substr(0, 204) + W("patchlog.txt"))) << c.name;
        for (const char* szName : {"patchlog.txt", kHook, kInterface})
            EXPECT_FALSE(qvrtest::fileExists(W("C:\\") + W(szName))) << c.name << " " << szName;
        for (const char* szName : {kHook, kInterface}) {
            const wstr path = c.folder + W(szName);
            EXPECT_EQ(c.bPatched ? "8.20.24.0" : "8.20.23.5", versionOf(path)) << c.name << " " << szName;
            EXPECT_FALSE(c.bPatched && isReadOnly(path)) << c.name << " " << szName;
        }
        EXPECT_EQ(c.bPatched, recorded()) << c.name;
        EXPECT_EQ(0u, qvrsim::openHandles()) << c.name;
    }
}

}  // namespace
