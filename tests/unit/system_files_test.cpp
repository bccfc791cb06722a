// Profile (INI) files, directories and token privileges: what each class
// makes of the platform's answers, and what it writes when a call fails.
#include "qvr_test_helpers.h"
#include "system/qvr_directory.h"
#include "system/qvr_ini.h"
#include "system/qvr_windows_process.h"

#include <gtest/gtest.h>

#include <functional>
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

std::vector<std::string> textsOf(CQVRStringList& list)
{
    std::vector<std::string> texts;
    for (bool bMore = list.moveFirst(); bMore; bMore = list.moveNext()) {
        CQVRWCharString* pText = nullptr;
        list.getCurrent(pText);
        texts.push_back(narrow(textOf(*pText)));
    }
    return texts;
}

class IniTest : public qvrtest::LoggedMachineTest {
protected:
    wstr path() const { return qvrtest::testFolder() + W("test.ini"); }
    CQVRIni ini() const { return CQVRIni(Str(path().c_str())); }
};

TEST_F(IniTest, StringsReadBackUnlessEmptyMissingOrTooLong)
{
    CQVRIni file = ini();
    struct Case {
        std::string text;
        bool bReads;
    };
    const Case cases[] = {
        {"value", true},
        {"Not Found", false},  // reads as missing
        {std::string(1021, 'a'), true},
        {std::string(1022, 'b'), false},
        {std::string(1500, 'c'), false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(file.setProfileString(S("Main"), S("Key"), S(c.text.c_str())));
        Str value = S("untouched");
        EXPECT_EQ(c.bReads, file.getProfileString(S("Main"), S("Key"), value)) << c.text.size();
        EXPECT_EQ(c.bReads ? c.text : std::string("untouched"), narrow(textOf(value))) << c.text.size();
    }
    Str value;
    EXPECT_FALSE(file.getProfileString(S("Main"), S("Missing"), value));
    // An entry "Key=" holds an empty text, which reads as false.
    ASSERT_TRUE(WritePrivateProfileStringW(QVR_T("Main"), QVR_T("Empty"), QVR_T(""), path().c_str()));
    EXPECT_FALSE(file.getProfileString(S("Main"), S("Empty"), value));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(IniTest, NumbersAreWrittenAsSignedText)
{
    CQVRIni file = ini();
    ASSERT_TRUE(file.setProfileInt(S("Main"), S("Minus"), -5));
    ASSERT_TRUE(file.setProfileInt(S("Main"), S("Answer"), 42));
    Str text;
    ASSERT_TRUE(file.getProfileString(S("Main"), S("Minus"), text));
    EXPECT_EQ("-5", narrow(textOf(text)));
    int32_t lValue = 0;
    EXPECT_TRUE(file.getProfileInt(S("Main"), S("Answer"), lValue));
    EXPECT_EQ(42, lValue);
    lValue = 7;
    EXPECT_FALSE(file.getProfileInt(S("Main"), S("Missing"), lValue));
    EXPECT_EQ(7, lValue);
    EXPECT_EQ(1u, countLines(m_log, "\"GetPrivateProfileInt( ) failed.\" "));
}

TEST_F(IniTest, SectionsAndNamesAreListsInFileOrder)
{
    CQVRIni file = ini();
    CQVRStringList list;
    list.add(S("kept"), 3);
    EXPECT_FALSE(file.getProfileSectionNames(list));  // no file
    EXPECT_FALSE(file.getProfileSection(S("X"), list));
    EXPECT_EQ((std::vector<std::string>{"kept"}), textsOf(list));
    ASSERT_TRUE(file.setProfileString(S("X"), S("a"), S("1")));
    ASSERT_TRUE(file.setProfileString(S("X"), S("b"), S("2")));
    ASSERT_TRUE(file.setProfileString(S("Y"), S("c"), S("3")));
    EXPECT_TRUE(file.getProfileSection(S("X"), list));
    EXPECT_EQ((std::vector<std::string>{"a=1", "b=2"}), textsOf(list));
    EXPECT_TRUE(file.getProfileSectionNames(list));
    EXPECT_EQ((std::vector<std::string>{"X", "Y"}), textsOf(list));
    // An empty text removes the entry, an empty entry name the section.
    ASSERT_TRUE(file.setProfileString(S("X"), S("a"), Str()));
    EXPECT_TRUE(file.getProfileSection(S("X"), list));
    EXPECT_EQ((std::vector<std::string>{"b=2"}), textsOf(list));
    ASSERT_TRUE(file.setProfileString(S("X"), Str(), Str()));
    EXPECT_TRUE(file.getProfileSectionNames(list));
    EXPECT_EQ((std::vector<std::string>{"Y"}), textsOf(list));
    // A section too long to read whole is said to be so.
    wstr lines;  // zero-separated, as the platform takes a whole section
    for (int i = 0; i < 3000; ++i)
        lines += W(("k" + std::to_string(i) + "=0123456789").c_str()) + wstr(1, 0);
    lines += wstr(1, 0);
    ASSERT_TRUE(WritePrivateProfileSectionW(QVR_T("Big"), lines.c_str(), path().c_str()));
    bool bTooLong = false;
    EXPECT_FALSE(file.getProfileSection(S("Big"), list, bTooLong));
    EXPECT_TRUE(bTooLong);
    EXPECT_EQ((std::vector<std::string>{"Y"}), textsOf(list));  // untouched
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// A created section is there afterwards, in a new file too; one that holds
// lines keeps them where they are.
TEST_F(IniTest, CreatedSectionsAreThereAndKeepTheirLines)
{
    CQVRIni file = ini();
    CQVRStringList list;
    EXPECT_TRUE(file.createProfileSection(S("First")));
    EXPECT_TRUE(file.getProfileSectionNames(list));
    EXPECT_EQ((std::vector<std::string>{"First"}), textsOf(list));
    EXPECT_FALSE(file.getProfileSection(S("First"), list));  // no lines
    ASSERT_TRUE(file.setProfileString(S("X"), S("a"), S("1")));
    EXPECT_TRUE(file.createProfileSection(S("X")));
    EXPECT_TRUE(file.createProfileSection(S("Y")));
    EXPECT_TRUE(file.getProfileSection(S("X"), list));
    EXPECT_EQ((std::vector<std::string>{"a=1"}), textsOf(list));
    EXPECT_TRUE(file.getProfileSectionNames(list));
    EXPECT_EQ((std::vector<std::string>{"First", "X", "Y"}), textsOf(list));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(IniTest, FailedWritesNameSectionAndEntry)
{
    CQVRIni file(Str((qvrtest::testFolder() + W("missing\\folder\\test.ini")).c_str()));
    EXPECT_FALSE(file.setProfileString(S("Main"), S("Key"), S("v")));
    EXPECT_EQ(1u, countLines(m_log, "\"Unable to write profile string ( section: Main, key name: Key )\" <Error: "
                                    "0x00000003> <qvr_ini.cpp, "));
    EXPECT_FALSE(file.setProfileInt(S("Main"), Str(), 1));
    EXPECT_EQ(1u, countLines(m_log, "( section: Main, key name: Unknown )"));
    if (!qvrtest::failNext("WritePrivateProfileSectionW", ERROR_ACCESS_DENIED))
        GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
    EXPECT_FALSE(ini().createProfileSection(S("New")));
    EXPECT_EQ(1u, countLines(m_log, "\"Unable to write profile section ( section: New )\" <Error: 0x00000005> "
                                    "<qvr_ini.cpp, "));
}

// A read buffer that cannot be allocated fails the read, written as an
// unhandled failure of the profile class; what the caller passed stays.
TEST_F(IniTest, AReadBufferThatCannotBeAllocatedIsWrittenAsUnhandled)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    CQVRIni file = ini();
    ASSERT_TRUE(file.setProfileString(S("Main"), S("Key"), S("v")));
    const Str section = S("Main");
    const Str key = S("Key");
    Str value = S("untouched");
    CQVRStringList list;
    list.add(S("kept"), 0);
    const std::function<bool()> reads[] = {
        [&] { return file.getProfileString(section, key, value); },
        [&] { return file.getProfileSection(section, list); },
        [&] { return file.getProfileSectionNames(list); },
    };
    for (const auto& read : reads) {
        qvrtest::resetMachine();
        m_log = qvrtest::enableTextLog();
        ASSERT_TRUE(file.setProfileString(section, key, S("v")));
        qvrsim::resetAllocations();
        qvrsim::failAllocation(1);  // the read buffer
        EXPECT_FALSE(read());
        EXPECT_EQ(1u, countLines(m_log, "\"An unhandled exception occurred\" "));
        EXPECT_EQ(1u, countLines(m_log, "<qvr_ini.cpp, "));
    }
    EXPECT_EQ("untouched", narrow(textOf(value)));
    EXPECT_EQ((std::vector<std::string>{"kept"}), textsOf(list));
#endif
}

class DirectoryTest : public qvrtest::LoggedMachineTest {};

TEST_F(DirectoryTest, DirectoriesWithOrWithoutTrailingBackslash)
{
    const wstr folder = qvrtest::testFolder();  // ends with a backslash
    HANDLE hFile = CreateFileW((folder + W("plain.txt")).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(hFile);
    struct Case {
        wstr path;
        bool bDirectory;
    };
    const Case cases[] = {
        {W("C:\\"), true},
        {W("C:"), true},
        {folder, true},
        {folder.substr(0, folder.size() - 1), true},
        {folder + W("plain.txt"), false},
        {folder + W("plain.txt\\"), false},
        {folder + W("nothing"), false},
        {W("Q:\\"), false},
    };
    for (const Case& c : cases) {
        CQVRDirectory directory(Str(c.path.c_str()));
        EXPECT_EQ(c.bDirectory, directory.isValidDirectory()) << narrow(c.path);
    }
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
    EXPECT_EQ(0u, qvrtest::openHandles());
    // Fewer than two characters are an index error, logged.
    EXPECT_FALSE(CQVRDirectory(S("C")).isValidDirectory());
    EXPECT_EQ(1u, countLines(m_log, "\"Index out of array bounds\""));
}

TEST_F(DirectoryTest, EveryMissingLevelIsCreated)
{
    const wstr deep = qvrtest::testFolder() + W("a\\b\\c");
    CQVRDirectory directory(Str(deep.c_str()));
    EXPECT_TRUE(directory.createDirectory());
    EXPECT_TRUE(directory.isValidDirectory());
    EXPECT_TRUE(CQVRDirectory(Str((qvrtest::testFolder() + W("a\\b\\")).c_str())).isValidDirectory());
    EXPECT_FALSE(directory.createDirectory());  // nothing left to create
    EXPECT_FALSE(CQVRDirectory(Str()).createDirectory());
    // A level that cannot be made ends the walk.
    EXPECT_FALSE(CQVRDirectory(S("Q:\\x\\y")).createDirectory());
    EXPECT_EQ(0u, qvrtest::openHandles());
}

class WindowsProcessTest : public qvrtest::LoggedMachineTest {};

TEST_F(WindowsProcessTest, PrivilegesOfTheProcessToken)
{
    CQVRWindowsProcess process;
    HANDLE hNone = nullptr;
    EXPECT_TRUE(process.setPrivilege(S("SeBackupPrivilege"), true, &hNone));
    EXPECT_TRUE(process.setPrivilege(S("SeBackupPrivilege"), false, &hNone));
    EXPECT_EQ(nullptr, hNone);  // the token opened here is not handed back
    // An account that lacks a privilege still "enables" it.
    EXPECT_TRUE(process.setPrivilege(S("SeCreateTokenPrivilege"), true, nullptr));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());

    EXPECT_FALSE(process.setPrivilege(S("SeNoSuchPrivilege"), true, &hNone));
    EXPECT_EQ(1u, countLines(m_log, "\"LookupPrivilegeValue call failed for privilege:SeNoSuchPrivilege\" <Error: "
                                    "0x00000521> <qvr_windows_process.cpp, "));
    EXPECT_EQ(0u, qvrtest::openHandles());

    // A caller's token is used as it is and stays open.
    HANDLE hToken = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken));
    EXPECT_TRUE(process.setPrivilege(S("SeRestorePrivilege"), true, &hToken));
    EXPECT_TRUE(CloseHandle(hToken));
}

TEST_F(WindowsProcessTest, FailedCallsAreWrittenAndTheTokenClosed)
{
    struct Case {
        const char* szFunction;
        DWORD ulError;
        bool bResult;
        const char* szLine;
    };
    const Case cases[] = {
        {"OpenProcessToken", 5, false,
         "\"OpenProcessToken call failed for handle:GetCurrentProcess()\" <Error: 0x00000005> "},
        {"AdjustTokenPrivileges", 5, false,
         "\"AdjustTokenPrivileges call failed for handle:hToken\" <Error: 0x00000005> "},
        {"CloseHandle", 6, true, "<WARNING> "},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        m_log = qvrtest::enableTextLog();
        if (!qvrtest::failNext(c.szFunction, c.ulError))
            GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
        HANDLE hNone = nullptr;
        EXPECT_EQ(c.bResult, CQVRWindowsProcess().setPrivilege(S("SeBackupPrivilege"), true, &hNone)) << c.szFunction;
        EXPECT_EQ(1u, countLines(m_log, c.szLine)) << c.szFunction;
        EXPECT_EQ(1u, qvrtest::readLogLines(m_log).size()) << c.szFunction;
    }
    EXPECT_EQ(1u, countLines(m_log, "\"Unable to free memory ( hLocalToken )\" <Error: 0x00000006> "));
}

}  // namespace
