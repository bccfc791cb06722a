// The registry text file: the entries an export writes, what an import makes
// of a file, and the round trip of every type through both, on both
// platforms; hive files through the privileges they need.
#include "qvr_test_helpers.h"
#include "registry/qvr_registry_binary.h"
#include "registry/qvr_registry_dword.h"
#include "registry/qvr_registry_file.h"
#include "registry/qvr_registry_key.h"
#include "registry/qvr_registry_multi_string.h"
#include "registry/qvr_registry_string.h"
#include "registry/qvr_registry_string_expand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using qvrtest::countLines;
using qvrtest::narrow;
using qvrtest::S;
using qvrtest::Str;
using qvrtest::textOf;
using qvrtest::W;
using qvrtest::wstr;

namespace {

typedef std::vector<uint8_t> Bytes;

const char* const kPath = "SOFTWARE\\Dravonne\\Test\\X";
const char* const kSection = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravonne\\Test\\X]";

// A registry tree as the platform holds it: "key path|value name" to type
// and bytes (the unnamed value as "key path|"), and each key as "key path/".
typedef std::map<std::string, std::pair<DWORD, Bytes>> Tree;

void readTree(HKEY hRoot, const wstr& path, Tree& tree)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, path.c_str(), 0, qvrRegistryView(KEY_READ), &hKey) != ERROR_SUCCESS)
        return;
    tree[narrow(path) + "/"] = {REG_NONE, {}};
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD cchName = 256;
        DWORD type = 0;
        BYTE data[4096];
        DWORD cb = sizeof data;
        if (RegEnumValueW(hKey, i, name, &cchName, nullptr, &type, data, &cb) != ERROR_SUCCESS)
            break;
        tree[narrow(path) + "|" + narrow(wstr(name, cchName))] = {type, Bytes(data, data + cb)};
    }
    std::vector<wstr> subKeys;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD cchName = 256;
        if (RegEnumKeyExW(hKey, i, name, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subKeys.push_back(wstr(name, cchName));
    }
    RegCloseKey(hKey);
    for (const wstr& sub : subKeys)
        readTree(hRoot, path + W("\\") + sub, tree);
}

// The file's text lines, UTF-16 after a byte-order mark, else one byte a
// character.
std::vector<std::string> fileLines(const wstr& path)
{
    const Bytes bytes = qvrtest::readFile(path);
    wstr text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<WCHAR>(bytes[i] | (bytes[i + 1] << 8));
    } else {
        for (uint8_t b : bytes)
            text += static_cast<WCHAR>(b);
    }
    std::vector<std::string> lines;
    wstr line;
    for (WCHAR ch : text) {
        if (ch == '\r')
            continue;
        if (ch == '\n') {
            lines.push_back(narrow(line));
            line.clear();
        } else {
            line += ch;
        }
    }
    if (!line.empty())
        lines.push_back(narrow(line));
    return lines;
}

// Text appended to a file, one byte a character.
void appendText(const wstr& path, const char* szText)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    SetFilePointer(hFile, 0, nullptr, FILE_END);
    DWORD ulWritten = 0;
    WriteFile(hFile, szText, static_cast<DWORD>(std::string(szText).size()), &ulWritten, nullptr);
    CloseHandle(hFile);
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

CQVRStringList listOf(std::initializer_list<const char*> texts)
{
    CQVRStringList list;
    uint32_t ulKey = 0;
    for (const char* szText : texts)
        list.add(S(szText), ulKey++);
    return list;
}

class RegistryFileTest : public qvrtest::LoggedMachineTest {
protected:
    wstr file(const char* szName = "export.txt") const { return qvrtest::testFolder() + W(szName); }
    bool exportTo(const wstr& path, bool bOverwrite = true, const char* szPath = kPath)
    {
        return CQVRRegistryKey(HKEY_LOCAL_MACHINE, S(szPath), KEY_READ, false, 0)
            .exportKey(Str(path.c_str()), CQVRRegistryKey::kTextFileFormat, bOverwrite);
    }
    bool importFrom(const wstr& path)
    {
        return CQVRRegistryKey(HKEY_LOCAL_MACHINE, S("SOFTWARE\\Unused"), KEY_READ, false, 0)
            .importKey(Str(path.c_str()), CQVRRegistryKey::kTextFileImport);
    }
    // A profile file written as the platform writes one, entry by entry.
    void writeFile(const wstr& path, const std::vector<std::pair<std::string, std::string>>& entries,
                   const char* szSection = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravonne\\Test\\X")
    {
        for (const auto& entry : entries)
            ASSERT_TRUE(WritePrivateProfileStringW(W(szSection).c_str(), W(entry.first.c_str()).c_str(),
                                                   W(entry.second.c_str()).c_str(), path.c_str()));
    }
    template <class Value> Value value(const char* szName, const char* szPath = kPath)
    {
        return Value(HKEY_LOCAL_MACHINE, S(szPath), S(szName), KEY_ALL_ACCESS, true, 0);
    }
};

// The entries of each type, as the Part of the format spells them.
TEST_F(RegistryFileTest, ExportWritesOneEntryPerValue)
{
    CQVRBuffer<unsigned char> odd(3);
    odd[0] = 1;
    odd[1] = 2;
    odd[2] = 3;
    ASSERT_TRUE(value<CQVRRegistryDword>("Count").setValue(26, false));
    ASSERT_TRUE(value<CQVRRegistryString>("Path").setValue(S("C:\\x"), false));
    ASSERT_TRUE(value<CQVRRegistryString>("Quoted").setValue(S("x\"y"), false));
    ASSERT_TRUE(value<CQVRRegistryStringExpand>("Expand").setValue(S("%A%\\b"), false));
    ASSERT_TRUE(value<CQVRRegistryMultiString>("Multi").setValue(listOf({"a", "b"}), false));
    ASSERT_TRUE(value<CQVRRegistryBinary>("Odd").setValue(odd, false));
    ASSERT_TRUE(exportTo(file()));
    const std::vector<std::string> lines = fileLines(file());
    const std::vector<std::string> expected = {kSection,
                                               "Count=REG_DWORD:0x0000001A",
                                               "Path=REG_SZ:\"C:\\x\"",
                                               "Quoted=REG_SZ:\"x\"y\"",
                                               "Expand=REG_SZ_EXPAND:\"%A%\\b\"",
                                               "Multi=REG_SZ_MULTI:61 00 00 00,62 00 00 00",
                                               "Odd=REG_BINARY:01 02 03 00"};
    EXPECT_EQ(expected, lines);
    // A new file is UTF-16, mark first.
    const Bytes bytes = qvrtest::readFile(file());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// Every type, the unnamed value, a non-ASCII text, a quote, a name holding
// ":" and two levels of subkeys: exported, the keys removed, imported, and
// the same keys, names, types and bytes are back.
TEST_F(RegistryFileTest, ExportAndImportGiveBackTheSameTree)
{
    CQVRBuffer<unsigned char> even(4);
    even[0] = 0;
    even[1] = 0xFF;
    even[2] = 0x10;
    even[3] = 0;
    ASSERT_TRUE(value<CQVRRegistryDword>("Count").setValue(0xFFFFFFFF, false));
    ASSERT_TRUE(value<CQVRRegistryString>("").setValue(S("the default"), false));
    ASSERT_TRUE(value<CQVRRegistryString>("Ümlaut €").setValue(S("Grüße, 東京 \"quoted\""), false));
    ASSERT_TRUE(value<CQVRRegistryString>("C:\\path:with:colons").setValue(S("x"), false));
    ASSERT_TRUE(value<CQVRRegistryStringExpand>("Expand").setValue(S("%SystemRoot%\\ß"), false));
    ASSERT_TRUE(value<CQVRRegistryMultiString>("Multi").setValue(listOf({"one", "zwei", "três"}), false));
    ASSERT_TRUE(value<CQVRRegistryBinary>("Binary").setValue(even, false));
    ASSERT_TRUE(value<CQVRRegistryDword>("Deep", "SOFTWARE\\Dravonne\\Test\\X\\Sub\\Deeper").setValue(3, false));
    ASSERT_TRUE(value<CQVRRegistryString>("", "SOFTWARE\\Dravonne\\Test\\X\\Sub").setValue(S("sub default"), false));
    ASSERT_TRUE(
        CQVRRegistryKey(HKEY_LOCAL_MACHINE, S("SOFTWARE\\Dravonne\\Test\\X\\Empty"), KEY_ALL_ACCESS, true, 0).create());
    Tree before;
    readTree(HKEY_LOCAL_MACHINE, W(kPath), before);
    ASSERT_EQ(13u, before.size());

    ASSERT_TRUE(exportTo(file()));
    qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W(kPath));
    ASSERT_FALSE(qvrtest::keyExists(HKEY_LOCAL_MACHINE, W(kPath)));
    ASSERT_TRUE(importFrom(file()));
    Tree after;
    readTree(HKEY_LOCAL_MACHINE, W(kPath), after);
    // A key without values has no section: it comes back only where a
    // subkey's creation makes it.
    before.erase("SOFTWARE\\Dravonne\\Test\\X\\Empty/");
    EXPECT_EQ(before, after);
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// Subkeys come after their parent; a key without values has no section, and
// after an import exists only because its subkeys are made below it.
TEST_F(RegistryFileTest, SectionsFollowTheKeyTree)
{
    ASSERT_TRUE(value<CQVRRegistryDword>("a", "SOFTWARE\\Dravonne\\Test\\X\\One").setValue(1, false));
    ASSERT_TRUE(value<CQVRRegistryDword>("b", "SOFTWARE\\Dravonne\\Test\\X\\One\\Two").setValue(2, false));
    ASSERT_TRUE(exportTo(file()));
    const std::vector<std::string> expected = {
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravonne\\Test\\X\\One]", "a=REG_DWORD:0x00000001",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravonne\\Test\\X\\One\\Two]", "b=REG_DWORD:0x00000002"};
    EXPECT_EQ(expected, fileLines(file()));
}

// Without overwrite the export merges: an entry of the same section and name
// is replaced, the others stay; with overwrite the file is new.
TEST_F(RegistryFileTest, MergeOrOverwrite)
{
    writeFile(file(), {{"Count", "REG_DWORD:0x00000001"}, {"Other", "REG_DWORD:0x00000002"}});
    ASSERT_TRUE(value<CQVRRegistryDword>("Count").setValue(26, false));
    ASSERT_TRUE(exportTo(file(), false));
    std::vector<std::string> lines = fileLines(file());
    EXPECT_TRUE(hasLine(lines, "Count=REG_DWORD:0x0000001A"));
    EXPECT_TRUE(hasLine(lines, "Other=REG_DWORD:0x00000002"));
    ASSERT_TRUE(exportTo(file(), true));
    lines = fileLines(file());
    EXPECT_TRUE(hasLine(lines, "Count=REG_DWORD:0x0000001A"));
    EXPECT_FALSE(hasLine(lines, "Other=REG_DWORD:0x00000002"));
}

// An export into a folder that does not exist makes it, every level.
TEST_F(RegistryFileTest, ExportMakesItsFolder)
{
    ASSERT_TRUE(value<CQVRRegistryDword>("Count").setValue(1, false));
    const wstr deep = qvrtest::testFolder() + W("a\\b\\export.txt");
    ASSERT_TRUE(exportTo(deep));
    EXPECT_TRUE(hasLine(fileLines(deep), "Count=REG_DWORD:0x00000001"));
}

// What an import makes of the lines it is given.
TEST_F(RegistryFileTest, ImportTakesWhatItCanUse)
{
    writeFile(file(), {{"Dword", "REG_DWORD:1a"},
                       {"Padded", "REG_DWORD: 0x00000010 "},
                       {"NotHex", "REG_DWORD:xyz"},
                       {"TooLong", "REG_DWORD:123456789"},
                       {"Qword", "REG_QWORD:1"},
                       {"Odd", "REG_BINARY:01 02 03"},
                       {"Text", "REG_SZ:|in between|"},
                       {"Lonely", "REG_SZ_EXPAND:\"%one\""},
                       {"Multi", "REG_SZ_MULTI:61 00 00 00,62 00 00 00"},
                       {"@", "REG_SZ:\"default\""}});
    appendText(file(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravonne\\Test\\Empty]\r\n");
    ASSERT_TRUE(importFrom(file()));
    struct Expected {
        const char* szName;
        LONG lResult;
        DWORD ulType;
        Bytes bytes;
    };
    const Expected expected[] = {
        {"Dword", ERROR_SUCCESS, REG_DWORD, {0x1A, 0, 0, 0}},
        {"Padded", ERROR_SUCCESS, REG_DWORD, {0x10, 0, 0, 0}},
        {"NotHex", ERROR_FILE_NOT_FOUND, 0, {}},
        {"TooLong", ERROR_FILE_NOT_FOUND, 0, {}},
        {"Qword", ERROR_FILE_NOT_FOUND, 0, {}},
        {"Odd", ERROR_SUCCESS, REG_BINARY, {1, 2, 3, 0}},
        {"Text", ERROR_SUCCESS, REG_SZ, {'i', 0,   'n', 0,   ' ', 0,   'b', 0,   'e', 0, 't',
                                         0,   'w', 0,   'e', 0,   'e', 0,   'n', 0,   0, 0}},
        {"Lonely", ERROR_FILE_NOT_FOUND, 0, {}},
        {"Multi", ERROR_SUCCESS, REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
        {"", ERROR_SUCCESS, REG_SZ, {'d', 0, 'e', 0, 'f', 0, 'a', 0, 'u', 0, 'l', 0, 't', 0, 0, 0}},
    };
    for (const Expected& e : expected) {
        DWORD ulType = 0;
        Bytes bytes;
        EXPECT_EQ(e.lResult, qvrtest::readValue(HKEY_LOCAL_MACHINE, W(kPath), W(e.szName), ulType, bytes)) << e.szName;
        if (e.lResult == ERROR_SUCCESS) {
            EXPECT_EQ(e.ulType, ulType) << e.szName;
            EXPECT_EQ(e.bytes, bytes) << e.szName;
        }
    }
    EXPECT_TRUE(qvrtest::keyExists(HKEY_LOCAL_MACHINE, W("SOFTWARE\\Dravonne\\Test\\Empty")));
    // The refused lines that say why: nine hexadecimal digits (the number
    // conversion writes the limit twice) and the unpaired "%".
    EXPECT_EQ(1u, countLines(m_log, "too many hex digits"));
    EXPECT_EQ(1u, qvrtest::badArgLines(m_log, "m_szRegStringCache",
                                       "value doesn't represent an expandable value which is required"));
    EXPECT_EQ(3u, qvrtest::readLogLines(m_log).size());
    // Nothing to read is nothing to do.
    EXPECT_TRUE(importFrom(file("missing.txt")));
}

// Sections name their root; an unknown or missing one is the local machine.
TEST_F(RegistryFileTest, ImportFindsTheRootInTheSectionName)
{
    writeFile(file(), {{"v", "REG_DWORD:1"}}, "HKEY_CURRENT_USER\\Software\\Dravonne\\Test\\U");
    writeFile(file(), {{"v", "REG_DWORD:2"}}, "hkey_current_user\\SOFTWARE\\Dravonne\\Test\\L");
    writeFile(file(), {{"v", "REG_DWORD:3"}}, "SOFTWARE");
    ASSERT_TRUE(importFrom(file()));
    DWORD ulType = 0;
    Bytes bytes;
    EXPECT_EQ(ERROR_SUCCESS,
              qvrtest::readValue(HKEY_CURRENT_USER, W("Software\\Dravonne\\Test\\U"), W("v"), ulType, bytes));
    // Root names are compared exactly: this one is the local machine's.
    EXPECT_EQ(ERROR_SUCCESS,
              qvrtest::readValue(HKEY_LOCAL_MACHINE, W("SOFTWARE\\Dravonne\\Test\\L"), W("v"), ulType, bytes));
    EXPECT_EQ((Bytes{2, 0, 0, 0}), bytes);
    EXPECT_EQ(ERROR_SUCCESS, qvrtest::readValue(HKEY_LOCAL_MACHINE, W("SOFTWARE"), W("v"), ulType, bytes));
    EXPECT_EQ((Bytes{3, 0, 0, 0}), bytes);
    qvrtest::deleteKeyTree(HKEY_CURRENT_USER, W("Software\\Dravonne"));
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SOFTWARE"), 0, qvrRegistryView(KEY_ALL_ACCESS), &hKey) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(hKey, QVR_T("v"));
        RegCloseKey(hKey);
    }
}

// A value name with "=" cannot be stored in the file: it is left out and
// named in the log, the rest is exported.
TEST_F(RegistryFileTest, NamesWithEqualsAreLeftOutAndNamed)
{
    ASSERT_TRUE(value<CQVRRegistryDword>("a=b").setValue(1, false));
    ASSERT_TRUE(value<CQVRRegistryDword>("c").setValue(2, false));
    ASSERT_TRUE(exportTo(file()));
    EXPECT_EQ((std::vector<std::string>{kSection, "c=REG_DWORD:0x00000002"}), fileLines(file()));
    EXPECT_EQ(1u, countLines(m_log, "<WARNING> "));
    EXPECT_EQ(1u, countLines(m_log, "\"Registry value not exported, its name holds \"=\" ( "
                                    "\"SOFTWARE\\Dravonne\\Test\\X\\a=b\" )\" <qvr_registry_file.cpp, "));
}

// A failed platform call on the export or import path: the entry it leaves,
// the result, and no handle left open.
TEST_F(RegistryFileTest, FailedPlatformCallsOnTheWay)
{
    struct Case {
        const char* szFunction;
        DWORD ulError;
        bool bExport;
        bool bResult;
        const char* szLine;  // the one entry written
        bool bFile;          // whether the file is there afterwards
    };
    const Case cases[] = {
        // The new file cannot be made, or not given its mark: that entry is
        // not written, and no unmarked file is left for the next one.
        {"CreateFileW", 5, true, true,
         "\"Unable to write profile string ( section: HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravonne\\Test\\X, key name: "
         "Count )\" <Error: 0x00000005> <qvr_registry_file.cpp, ",
         false},
        {"WriteFile", 112, true, true, "key name: Count )\" <Error: 0x00000070> <qvr_registry_file.cpp, ", false},
        // One entry that cannot be written is named and skipped.
        {"WritePrivateProfileStringW", 5, true, true,
         "\"Unable to write profile string ( section: HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravonne\\Test\\X, key name: "
         "Count )\" <Error: 0x00000005> <qvr_ini.cpp, ",
         true},
        // A value that cannot be written on import is named and skipped.
        {"RegSetValueExW", 5, false, true,
         "\"Unable to Set registry value ( \"SOFTWARE\\Dravonne\\Test\\X\\Count\" )\" ", true},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        m_log = qvrtest::enableTextLog();
        ASSERT_TRUE(value<CQVRRegistryDword>("Count").setValue(26, false));
        if (!c.bExport) {
            ASSERT_TRUE(exportTo(file()));
            qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W(kPath));
        }
        if (!qvrtest::failNext(c.szFunction, c.ulError))
            GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
        EXPECT_EQ(c.bResult, c.bExport ? exportTo(file()) : importFrom(file())) << c.szFunction;
        EXPECT_EQ(1u, countLines(m_log, c.szLine)) << c.szFunction;
        EXPECT_EQ(1u, qvrtest::readLogLines(m_log).size()) << c.szFunction;
        EXPECT_EQ(0u, qvrtest::openHandles()) << c.szFunction;
        EXPECT_EQ(c.bFile, qvrtest::fileExists(file())) << c.szFunction;
    }
}

// A file that cannot be written fails entry by entry, each named, and the
// export goes on; a key with nothing to write leaves no file.
TEST_F(RegistryFileTest, WhatCannotBeWrittenIsNamedEntryByEntry)
{
    struct Case {
        wstr path;
        const char* szKey;
        size_t ulFailedEntries;
    };
    const Case cases[] = {
        {W("Q:\\x\\export.txt"), kPath, 2},
        {file("bare.txt"), "SOFTWARE\\Dravonne\\Test\\Bare", 0},
        {file("missing.txt"), "SOFTWARE\\Dravonne\\Test\\Missing", 0},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        m_log = qvrtest::enableTextLog();
        ASSERT_TRUE(value<CQVRRegistryDword>("Count").setValue(26, false));
        ASSERT_TRUE(value<CQVRRegistryString>("Path").setValue(S("C:\\x"), false));
        ASSERT_TRUE(
            CQVRRegistryKey(HKEY_LOCAL_MACHINE, S("SOFTWARE\\Dravonne\\Test\\Bare"), KEY_ALL_ACCESS, true, 0).create());
        EXPECT_TRUE(exportTo(c.path, true, c.szKey)) << c.szKey;
        EXPECT_EQ(c.ulFailedEntries, countLines(m_log, "\"Unable to write profile string ( ")) << c.szKey;
        EXPECT_EQ(c.ulFailedEntries, qvrtest::readLogLines(m_log).size()) << c.szKey;
        EXPECT_FALSE(qvrtest::fileExists(c.path)) << c.szKey;
    }
}

// A hive file: saved with the backup privilege; restored with the restore
// privilege (Wine reports success and restores nothing).
TEST_F(RegistryFileTest, HiveFilesRoundTrip)
{
    ASSERT_TRUE(value<CQVRRegistryDword>("Count").setValue(26, false));
    ASSERT_TRUE(value<CQVRRegistryDword>("Deep", "SOFTWARE\\Dravonne\\Test\\X\\Sub").setValue(3, false));
    const wstr hive = file("x.hiv");
    ASSERT_TRUE(
        CQVRRegistryKey(HKEY_LOCAL_MACHINE, S(kPath), KEY_READ, false, 0).exportKey(Str(hive.c_str()), 0, true));
    EXPECT_TRUE(qvrtest::fileExists(hive));
    EXPECT_TRUE(CQVRRegistryKey(HKEY_LOCAL_MACHINE, S("SOFTWARE\\Dravonne\\Test\\Y"), KEY_ALL_ACCESS, true, 0)
                    .importKey(Str(hive.c_str()), 8));
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine's RegRestoreKeyW reports success and restores nothing";
    Tree restored;
    readTree(HKEY_LOCAL_MACHINE, W("SOFTWARE\\Dravonne\\Test\\Y"), restored);
    EXPECT_EQ(4u, restored.size());  // two keys, a value each
    EXPECT_EQ(0u, qvrtest::openHandles());
}

}  // namespace
