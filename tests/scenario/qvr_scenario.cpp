// The prepared machine of the installer's scenarios.
#include "qvr_scenario.h"

#include "qvr_patch_driver.h"
#include "qvr_patch_procedure.h"

#include <cstdio>

namespace qvrscenario {

using qvrtest::narrow;
using qvrtest::W;

const char* const kWrongOS = "This oprating system does not match requirements.";
const char* const kUpdateFailed = "Failed to update file %s";
const char* const kWillTerminate = "%s will be terminated. Do you save your change?";
const char* const kWrongVersion = "This patch does not apply to this version of Sentravault Solution - Keyminder.";
const char* const kCaption = "Sentravault Solution - Keyminder";
const char* const kCompleted = "The installation of the patch has completed. Please restart system to enable changes.";
const char* const kAlreadyInstalled = "This patch has already been installed on this computer.";
const char* const kNotInstalled = "Sentravault Solution - Keyminder is not installed on this computer.";
const char* const kFailed = "An unknown exception occurred, the patch installation failed.";

const char* const ScenarioTest::kProductKey = "Software\\Dravonne\\Sentravault Solution";
const char* const ScenarioTest::kLegacyKey = "Software\\Orvik Astervane\\Sentravault Software";

namespace {

const char* const kFolder32 = "C:\\Program Files (x86)\\Sentravault\\";
const char* const kFolder64 = "C:\\Program Files\\Sentravault\\";
const char* const kPackage = "C:\\patch\\";

// "8.20.23.5" as the two halves of a file version.
void parseVersion(const std::string& text, uint32_t& ulMS, uint32_t& ulLS)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    // Missing parts stay 0.
    static_cast<void>(std::sscanf(text.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d));
    ulMS = (a << 16) | b;
    ulLS = (c << 16) | d;
}

void setString64(const char* szKey, const char* szName, const char* szValue)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(szKey).c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &hKey, nullptr));
    const wstr value = W(szValue);
    RegSetValueExW(hKey, W(szName).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(hKey);
}

wstr lower(wstr text)
{
    for (WCHAR& ch : text)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<WCHAR>(ch + 32);
    return text;
}

size_t countProcesses(const wstr& path, bool bTerminated)
{
    size_t n = 0;
    for (const qvrsim::Process& process : qvrsim::processes())
        if (lower(wstr(process.imagePath.begin(), process.imagePath.end())) == lower(path) &&
            (bTerminated ? process.bTerminated : process.bRunning))
            ++n;
    return n;
}

}  // namespace

void ScenarioTest::writeLibrary(const wstr& path, const std::string& version)
{
    makeFolders(path);
    if (version == "none") {
        ASSERT_TRUE(qvrtest::writeProgram(path)) << narrow(path);
        return;
    }
    uint32_t ulMS = 0, ulLS = 0;
    parseVersion(version, ulMS, ulLS);
    ASSERT_TRUE(qvrtest::writeVersionedFile(path, ulMS, ulLS)) << narrow(path);
}

void ScenarioTest::makeFolders(const wstr& path)
{
    for (size_t at = 3; (at = path.find(static_cast<WCHAR>('\\'), at)) != wstr::npos; ++at)
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
}

std::string versionOf(const wstr& path)
{
    if (!qvrtest::fileExists(path))
        return "missing";
    uint32_t ulMS = 0, ulLS = 0;
    if (!getFileVersion(CQVRWCharString(path.c_str()), ulMS, ulLS))
        return "none";
    return std::to_string(ulMS >> 16) + "." + std::to_string(ulMS & 0xFFFF) + "." + std::to_string(ulLS >> 16) + "." +
           std::to_string(ulLS & 0xFFFF);
}

std::string answered(const char* szText, int iAnswer)
{
    return std::string(szText) + " User select: " + std::to_string(iAnswer) + "\r\n";
}

std::string withPath(const char* szText, const wstr& path)
{
    std::string text = szText;
    text.replace(text.find("%s"), 2, narrow(path));
    return text + "\r\n";
}

void ScenarioTest::SetUp()
{
    MachineTest::SetUp();
    freshMachine();
}

void ScenarioTest::freshMachine()
{
    qvrtest::resetMachine();
    qvrsim::setModulePath(u"C:\\patch\\qvrpatch.exe");
    CreateDirectoryW(W(kPackage).c_str(), nullptr);
    g_bSilent = false;
}

void ScenarioTest::install(const Install& product)
{
    qvrsim::set64BitWindows(product.b64BitWindows);
    const char* szKey = product.bLegacyKey ? kLegacyKey : kProductKey;
    qvrtest::setString(HKEY_LOCAL_MACHINE, W(szKey), W("Version"), W(product.szVersion));
    // An InstallPath without its closing backslash names the same folder.
    const auto installPath = [&](const char* szFolder) {
        const std::string folder = szFolder;
        return product.bClosingBackslash ? folder : folder.substr(0, folder.size() - 1);
    };
    qvrtest::setString(HKEY_LOCAL_MACHINE, W(szKey), W("InstallPath"), W(installPath(kFolder32).c_str()));
    // From release 7 on, the product counts as installed only where the
    // common policy allows it.
    if (product.bAllowed)
        qvrtest::setDword(HKEY_LOCAL_MACHINE, W("Software\\Dravonne\\QVR Common\\Sentravault Solution"),
                          W("SVTInstall"), 1);
    if (product.b64BitWindows && product.bInstallPath64)
        setString64(kProductKey, "InstallPath", installPath(kFolder64).c_str());
    makeFolders(W(kFolder32));
    writeLibrary(library("qvrkmd_windows_hook.dll"), product.libraryVersion);
    writeLibrary(library("qvrkmd_interface.dll"), product.libraryVersion);
    qvrtest::writeProgram(library("keyminder.exe"));
    if (product.bRunning)
        qvrsim::startProcess(library("keyminder.exe"));
    if (!product.b64BitWindows)
        return;
    makeFolders(W(kFolder64));
    writeLibrary(library64("qvrkmd_windows_hook_x64.dll"), product.libraryVersion);
    writeLibrary(library64("qvrkmd_interface.dll"), product.libraryVersion);
    qvrtest::writeProgram(library64("keyminder.exe"));
    if (product.bRunning64)
        qvrsim::startProcess(library64("keyminder.exe"));
}

void ScenarioTest::package(const std::string& version820, const std::string& version821)
{
    const char* const kLibraries[] = {"qvrkmd_windows_hook.dll", "qvrkmd_windows_hook_x64.dll", "qvrkmd_interface.dll",
                                      "qvrkmd_interface_x64.dll"};
    makeFolders(source("820", "x"));
    makeFolders(source("821", "x"));
    for (const char* szName : kLibraries)
        writeLibrary(source("820", szName), version820);
    writeLibrary(source("821", "qvrkmd_windows_hook.dll"), version821);
    writeLibrary(source("821", "qvrkmd_windows_hook_x64.dll"), version821);
}

void ScenarioTest::run(const char* szCommandLine, const std::vector<int>& answers)
{
    qvrsim::queueMessageBoxAnswers(answers);
    EXPECT_EQ(0, runPatch(W(szCommandLine).c_str()));
}

wstr ScenarioTest::library(const char* szName) { return W(kFolder32) + W(szName); }

wstr ScenarioTest::library64(const char* szName) { return W(kFolder64) + W(szName); }

wstr ScenarioTest::source(const char* szRelease, const char* szName)
{
    return W(kPackage) + W(szRelease) + W("\\") + W(szName);
}

std::vector<std::string> ScenarioTest::boxTexts() const
{
    std::vector<std::string> texts;
    for (const qvrsim::MessageBoxShown& box : qvrsim::messageBoxesShown()) {
        texts.push_back(narrow(box.text));
        EXPECT_EQ(kCaption, narrow(box.caption));
        EXPECT_EQ(nullptr, box.owner);
    }
    return texts;
}

std::vector<uint8_t> ScenarioTest::patchLogBytes() const { return qvrtest::readFile(W(kPackage) + W("patchlog.txt")); }

std::string ScenarioTest::patchLog() const
{
    const std::vector<uint8_t> bytes = patchLogBytes();
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE)
        return bytes.empty() ? std::string() : "(no byte-order mark)";
    wstr text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<WCHAR>(bytes[i] | (bytes[i + 1] << 8));
    return narrow(text);
}

bool ScenarioTest::recorded(const char* szKey) const
{
    const wstr key = W(szKey) + W("\\Patch\\8102");
    DWORD ulType = 0;
    std::vector<uint8_t> description, updated;
    if (qvrtest::readValue(HKEY_LOCAL_MACHINE, key, W("description"), ulType, description) != ERROR_SUCCESS ||
        qvrtest::readValue(HKEY_LOCAL_MACHINE, key, W("updated"), ulType, updated) != ERROR_SUCCESS)
        return false;
    const wstr expected =
        W("Add exception protection to avoid application that is hooked by our hook crashing in unpredictable case.");
    return description.size() == (expected.size() + 1) * 2 && ulType == REG_SZ &&
           updated.size() == (W("qvrkmd_windows_hook.dll").size() + 1) * 2;
}

size_t ScenarioTest::running(const wstr& path) const { return countProcesses(path, false); }

size_t ScenarioTest::terminated(const wstr& path) const { return countProcesses(path, true); }

}  // namespace qvrscenario
