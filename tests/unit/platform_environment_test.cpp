// Environment variables and folder answers as the environment, version and
// directory classes rely on them. The same cases run under Wine and on the
// substitute; the variables are named QVRTEST_..., which the fixture removes.
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const DWORD kUntouched = 77;  // a last error no call here sets
const WCHAR kFill = 0x4141;

class EnvironmentTest : public qvrtest::MachineTest {
protected:
    static void setVariable(const char* szName, const char* szValue)
    {
        ASSERT_TRUE(SetEnvironmentVariableW(W(szName).c_str(), szValue ? W(szValue).c_str() : nullptr)) << szName;
    }
    wstr file(const char* szName) const { return qvrtest::testFolder() + W(szName); }
};

// A value that fits gives its length and leaves the last error alone; one
// that does not gives the size needed with the terminator and is not
// written. An empty value also gives 0, but writes its terminator and
// leaves the last error alone.
TEST_F(EnvironmentTest, ReadingAVariableIntoBuffersOfEverySize)
{
    setVariable("QVRTEST_Hello", "hello");
    setVariable("QVRTEST_EMPTY", "");
    const struct {
        const char* szName;
        DWORD cchBuffer;
        DWORD result, ulError;
        const char* szWritten;  // null: buffer untouched
    } cases[] = {
        {"QVRTEST_HELLO", 0, 6, kUntouched, nullptr},  {"qvrtest_hello", 1, 6, kUntouched, nullptr},
        {"QVRTEST_HELLO", 5, 6, kUntouched, nullptr},  {"QVRTEST_HELLO", 6, 5, kUntouched, "hello"},
        {"QVRTEST_HELLO", 64, 5, kUntouched, "hello"}, {"QVRTEST_EMPTY", 64, 0, kUntouched, ""},
        {"QVRTEST_EMPTY", 0, 1, kUntouched, nullptr},  {"QVRTEST_MISSING", 64, 0, ERROR_ENVVAR_NOT_FOUND, nullptr},
        {"", 64, 0, ERROR_ENVVAR_NOT_FOUND, nullptr},
    };
    for (const auto& c : cases) {
        std::vector<WCHAR> buffer(64, kFill);
        SetLastError(kUntouched);
        EXPECT_EQ(GetEnvironmentVariableW(W(c.szName).c_str(), buffer.data(), c.cchBuffer), c.result)
            << c.szName << "/" << c.cchBuffer;
        EXPECT_EQ(GetLastError(), c.ulError) << c.szName << "/" << c.cchBuffer;
        if (c.szWritten)
            EXPECT_EQ(narrow(wstr(buffer.data())), c.szWritten) << c.szName << "/" << c.cchBuffer;
        else
            EXPECT_EQ(buffer[0], kFill) << c.szName << "/" << c.cchBuffer;
    }
}

// A name holds no "=" past its first character and is not empty; no value
// removes the variable, also one that is not there.
TEST_F(EnvironmentTest, SettingAndRemovingVariables)
{
    const struct {
        const char* szName;
        const char* szValue;
        bool bSet;
        DWORD ulError;
        const char* szReadBack;  // null: absent afterwards
    } steps[] = {
        {"QVRTEST_A=B", "x", false, ERROR_INVALID_PARAMETER, nullptr},
        {"", "x", false, ERROR_INVALID_PARAMETER, nullptr},
        {"=QVRTEST_LEADING", "x", true, kUntouched, "x"},
        {"QVRTEST_CASE", "one", true, kUntouched, "one"},
        {"qvrtest_case", "two", true, kUntouched, "two"},
        {"QVRTEST_Case", nullptr, true, kUntouched, nullptr},
        {"QVRTEST_CASE", nullptr, true, kUntouched, nullptr},
    };
    for (const auto& step : steps) {
        SetLastError(kUntouched);
        EXPECT_EQ(SetEnvironmentVariableW(W(step.szName).c_str(), step.szValue ? W(step.szValue).c_str() : nullptr) !=
                      FALSE,
                  step.bSet)
            << step.szName;
        EXPECT_EQ(GetLastError(), step.ulError) << step.szName;
        WCHAR value[16];
        DWORD cch = GetEnvironmentVariableW(W(step.szName).c_str(), value, 16);
        EXPECT_EQ(cch ? narrow(wstr(value, cch)) : "(absent)", step.szReadBack ? step.szReadBack : "(absent)")
            << step.szName;
    }
    SetEnvironmentVariableW(QVR_T("=QVRTEST_LEADING"), nullptr);
}

// Names of variables between two percent signs become their values, once;
// everything else, "%%" and unknown names included, stays as it is. The
// result counts the terminator.
TEST_F(EnvironmentTest, ExpandingLeavesUnknownNamesAsTheyAre)
{
    setVariable("QVRTEST_A", "alpha");
    setVariable("QVRTEST_PCT", "%QVRTEST_A%");
    setVariable("QVRTEST_E", "");
    const char* cases[][2] = {
        {"%QVRTEST_A%", "alpha"},
        {"x%qvrtest_a%y", "xalphay"},
        {"%QVRTEST_NONE%", "%QVRTEST_NONE%"},
        {"%QVRTEST_NONE%QVRTEST_A%", "%QVRTEST_NONE%QVRTEST_A%"},
        {"%QVRTEST_NONE%%QVRTEST_A%", "%QVRTEST_NONE%alpha"},
        {"%%QVRTEST_A%%", "%%QVRTEST_A%%"},
        {"%%%QVRTEST_A%", "%%alpha"},
        {"%QVRTEST_A%%", "alpha%"},
        {"%QVRTEST_E%QVRTEST_A%", "QVRTEST_A%"},
        {"%QVRTEST_PCT%", "%QVRTEST_A%"},
        {"% QVRTEST_A%", "% QVRTEST_A%"},
        {"100%", "100%"},
        {"", ""},
    };
    for (const auto& c : cases) {
        WCHAR out[64];
        SetLastError(kUntouched);
        DWORD cch = ExpandEnvironmentStringsW(W(c[0]).c_str(), out, 64);
        EXPECT_EQ(narrow(wstr(out)), c[1]) << c[0];
        EXPECT_EQ(cch, W(c[1]).size() + 1) << c[0];
        EXPECT_EQ(GetLastError(), kUntouched) << c[0];
    }
}

// The answer is always the size needed; as Wine does, a buffer too small
// gets what fits and a terminator, with ERROR_INSUFFICIENT_BUFFER.
TEST_F(EnvironmentTest, ExpandingIntoTooSmallABuffer)
{
    setVariable("QVRTEST_A", "alpha");
    const struct {
        DWORD cchBuffer;
        DWORD ulError;
        const char* szWritten;  // null: buffer untouched
    } cases[] = {
        {0, ERROR_INSUFFICIENT_BUFFER, nullptr},
        {1, ERROR_INSUFFICIENT_BUFFER, ""},
        {3, ERROR_INSUFFICIENT_BUFFER, "<a"},
        {7, ERROR_INSUFFICIENT_BUFFER, "<alpha"},
        {8, kUntouched, "<alpha>"},
    };
    for (const auto& c : cases) {
        std::vector<WCHAR> buffer(16, kFill);
        SetLastError(kUntouched);
        EXPECT_EQ(ExpandEnvironmentStringsW(QVR_T("<%QVRTEST_A%>"), buffer.data(), c.cchBuffer), 8u) << c.cchBuffer;
        EXPECT_EQ(GetLastError(), c.ulError) << c.cchBuffer;
        if (c.szWritten)
            EXPECT_EQ(narrow(wstr(buffer.data())), c.szWritten) << c.cchBuffer;
        else
            EXPECT_EQ(buffer[0], kFill) << c.cchBuffer;
    }
    SetLastError(kUntouched);
    EXPECT_EQ(ExpandEnvironmentStringsW(QVR_T("<%QVRTEST_A%>"), nullptr, 0), 8u);
}

// ------------------------------------------------------------------ folders

// Drive roots with and without their backslash and folders with and without
// a trailing one are folders; "." and ".." are resolved, never above the
// root. (An NTFS root on Windows is also hidden and system; Wine's is not.)
TEST_F(EnvironmentTest, RootsAndFoldersAreFolders)
{
    ASSERT_TRUE(CreateDirectoryW(file("sub").c_str(), nullptr));
    HANDLE hFile = CreateFileW(file("plain.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    CloseHandle(hFile);
    const DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY, kNone = INVALID_FILE_ATTRIBUTES;
    const struct {
        wstr path;
        DWORD attributes;  // for roots: the directory bit
        DWORD ulError;
    } cases[] = {
        {W("C:\\"), kFolder, kUntouched},
        {W("C:"), kFolder, kUntouched},
        {W("c:"), kFolder, kUntouched},
        {file("sub"), kFolder, kUntouched},
        {file("SUB\\"), kFolder, kUntouched},
        {file("sub\\\\"), kFolder, kUntouched},
        {file("sub\\."), kFolder, kUntouched},
        {file("sub\\..\\plain.txt"), FILE_ATTRIBUTE_ARCHIVE, kUntouched},
        {W("C:\\..\\..") + qvrtest::testFolder().substr(2), kFolder, kUntouched},
        {file("plain.txt\\"), kNone, ERROR_PATH_NOT_FOUND},
        {file("missing\\"), kNone, ERROR_FILE_NOT_FOUND},
        {W(""), kNone, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SetLastError(kUntouched);
        DWORD attributes = GetFileAttributesW(c.path.c_str());
        if (c.path.size() <= 3 && c.attributes == kFolder)
            attributes &= FILE_ATTRIBUTE_DIRECTORY;
        EXPECT_EQ(attributes, c.attributes) << narrow(c.path);
        EXPECT_EQ(GetLastError(), c.ulError) << narrow(c.path);
    }
}

// Windows refuses to create a drive's root as access denied; Wine says it
// exists already.
TEST_F(EnvironmentTest, CreatingFoldersReportsWhyNot)
{
    HANDLE hFile = CreateFileW(file("plain.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(hFile);
    const DWORD kRoot = qvrtest::onSubstitute() ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS;
    const struct {
        wstr path;
        bool bCreated;
        DWORD ulError;
    } cases[] = {
        {W("C:\\"), false, kRoot},
        {qvrtest::testFolder(), false, ERROR_ALREADY_EXISTS},
        {file("plain.txt"), false, ERROR_ALREADY_EXISTS},
        {file("plain.txt\\sub"), false, ERROR_PATH_NOT_FOUND},
        {file("a\\b"), false, ERROR_PATH_NOT_FOUND},
        {W(""), false, ERROR_PATH_NOT_FOUND},
        {file("a\\"), true, kUntouched},
        {file("a\\\\b"), true, kUntouched},
    };
    for (const auto& c : cases) {
        SetLastError(kUntouched);
        EXPECT_EQ(CreateDirectoryW(c.path.c_str(), nullptr) != FALSE, c.bCreated) << narrow(c.path);
        EXPECT_EQ(GetLastError(), c.ulError) << narrow(c.path);
    }
    EXPECT_EQ(GetFileAttributesW(file("a\\b").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(EnvironmentTest, EnvironmentCallsCanBeMadeToFail)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
    setVariable("QVRTEST_A", "alpha");
    WCHAR out[16];
    const std::pair<const char*, std::function<bool()>> calls[] = {
        {"GetEnvironmentVariableW", [&] { return GetEnvironmentVariableW(QVR_T("QVRTEST_A"), out, 16) != 0; }},
        {"SetEnvironmentVariableW", [] { return SetEnvironmentVariableW(QVR_T("QVRTEST_A"), nullptr) != FALSE; }},
        {"ExpandEnvironmentStringsW", [&] { return ExpandEnvironmentStringsW(QVR_T("%QVRTEST_A%"), out, 16) != 0; }},
    };
    for (const auto& call : calls) {
        SetLastError(kUntouched);
        ASSERT_TRUE(qvrtest::failNext(call.first, ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_FALSE(call.second()) << call.first;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << call.first;
    }
    EXPECT_EQ(GetEnvironmentVariableW(QVR_T("QVRTEST_A"), out, 16), 5u);
}

}  // namespace
