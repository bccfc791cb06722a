// The profile (INI) functions as the library relies on them. The same cases
// run under Wine and on the substitute; where they disagree the substitute is
// wrong, except where Wine is known to differ from Windows (fenced, with why).
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const WCHAR kSentinel = 0xCCCC;
const DWORD kSharingViolation = 32;

// A text argument from a UTF-8 literal; a null literal stays a null pointer.
class Arg {
public:
    Arg(const char* sz) : m_bNull(sz == nullptr), m_text(sz ? W(sz) : wstr()) {}
    operator LPCWSTR() const { return m_bNull ? nullptr : m_text.c_str(); }

private:
    bool m_bNull;
    wstr m_text;
};

// A zero-separated list argument: "|" stands for each zero.
wstr list(const char* szUtf8)
{
    wstr text = W(szUtf8);
    for (WCHAR& ch : text)
        if (ch == static_cast<WCHAR>('|'))
            ch = 0;
    return text;
}

// A UTF-16LE file with its byte-order mark.
std::string utf16(const char* szUtf8)
{
    std::string bytes = "\xFF\xFE";
    for (WCHAR ch : W(szUtf8)) {
        bytes += static_cast<char>(ch & 0xFF);
        bytes += static_cast<char>((ch >> 8) & 0xFF);
    }
    return bytes;
}

// What a call left in its buffer: "|" for a zero, "#" for a character it did
// not touch, anything else as UTF-8.
struct Answer {
    DWORD result;
    std::string buffer;
};

// The buffer holds `size` characters and one more that no call may touch.
Answer answer(DWORD size, const std::function<DWORD(LPWSTR)>& call)
{
    std::vector<WCHAR> buffer(size + 1, kSentinel);
    Answer out{call(buffer.data()), ""};
    for (WCHAR ch : buffer)
        out.buffer += ch == 0 ? "|" : ch == kSentinel ? "#" : narrow(wstr(1, ch));
    return out;
}

class ProfileTest : public qvrtest::MachineTest {
protected:
    const wstr m_file = qvrtest::testFolder() + W("Profile.ini");

    LPCWSTR file() const { return m_file.c_str(); }
    void put(const std::string& bytes) const
    {
        HANDLE hFile = CreateFileW(file(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        CloseHandle(hFile);
    }
    std::string contents() const
    {
        std::vector<uint8_t> bytes = qvrtest::readFile(m_file);
        return std::string(bytes.begin(), bytes.end());
    }
    Answer getString(const char* szSection, const char* szKey, const char* szDefault, DWORD size) const
    {
        return answer(size, [&](LPWSTR buffer) {
            return GetPrivateProfileStringW(Arg(szSection), Arg(szKey), Arg(szDefault), buffer, size, file());
        });
    }
    std::string text(const char* szSection, const char* szKey) const
    {
        WCHAR buffer[64];
        GetPrivateProfileStringW(Arg(szSection), Arg(szKey), QVR_T("(none)"), buffer, 64, file());
        return narrow(buffer);
    }
};

// ------------------------------------------------------------------ reading

TEST_F(ProfileTest, EntryTextIsCopiedCutOrDefaulted)
{
    put("[Main]\r\nName=value\r\nEmpty=\r\n  Spaced  =  two words  \r\nQuoted=\"  in quotes  \"\r\n"
        "Single='x'\r\nBare line\r\n[Other]\r\n");
    struct Row {
        const char* section;
        const char* key;
        const char* def;
        DWORD size;
        DWORD result;
        const char* buffer;
    } rows[] = {
        {"Main", "Name", "def", 8, 5, "value|###"},
        {"MAIN", "nAmE", "def", 8, 5, "value|###"},
        {"Main", "Name", "def", 6, 5, "value|#"},
        {"Main", "Name", "def", 5, 4, "valu|#"},  // cut: size - 1
        {"Main", "Name", "def", 1, 0, "|#"},
        {"Main", "Name", "def", 0, 0, "#"},
        {"Main", "Empty", "def", 4, 0, "|####"},
        {"Main", "Spaced", "def", 12, 9, "two words|###"},
        {" Main ", " spaced ", "def", 12, 9, "two words|###"},
        // One pair of quotes goes; the closing one's place is zeroed too.
        {"Main", "Quoted", "def", 16, 13, "  in quotes  ||##"},
        {"Main", "Single", "def", 4, 1, "x||##"},
        {"Main", "Quoted", "def", 4, 3, "  i|#"},
        // A line without "=" is no entry.
        {"Main", "Bare line", "def", 6, 3, "def|###"},
        {"Main", "Missing", "def", 6, 3, "def|###"},
        {"Nowhere", "Name", "def", 6, 3, "def|###"},
        {"Other", "Name", "def", 6, 3, "def|###"},
        {"Main", "Missing", nullptr, 4, 0, "|####"},
        {"Main", "Missing", "def  ", 6, 3, "def|###"},
        {"Main", "Missing", "  def", 6, 5, "  def|#"},
        {"Main", "Missing", "default", 4, 3, "def|#"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "/" + row.key + " size " + std::to_string(row.size));
        Answer got = getString(row.section, row.key, row.def, row.size);
        EXPECT_EQ(got.result, row.result);
        EXPECT_EQ(got.buffer, row.buffer);
    }
}

// Section names (no section), entry names (no entry name) and a section's
// lines: each string zero-terminated, then one more zero. A list is cut
// unless one character more than it needs is left, and then answers size - 2.
TEST_F(ProfileTest, ListsEndWithAnExtraZeroAndAreCutAtSizeMinusTwo)
{
    put("[One]\r\na=1\r\nbb=2\r\n; note=3\r\nbare\r\n[Two]\r\n[ Three ]\r\n");
    enum Kind { Names, NoSection, NoKey, Lines };
    struct Row {
        Kind kind;
        const char* section;
        DWORD size;
        DWORD result;
        const char* buffer;
    } rows[] = {
        {Names, nullptr, 16, 14, "One|Two|Three||##"},
        {Names, nullptr, 15, 13, "One|Two|Three||#"},
        {Names, nullptr, 7, 5, "One|T||#"},
        {NoSection, nullptr, 16, 14, "One|Two|Three||##"},
        {NoSection, nullptr, 7, 5, "One|T||#"},
        // Comments and lines without "=" are no entries.
        {NoKey, "One", 8, 5, "a|bb||###"},
        {NoKey, "one", 7, 5, "a|bb||##"},
        {NoKey, "One", 6, 4, "a|bb||#"},
        {NoKey, "Two", 6, 3, "def|###"},
        {NoKey, "Nowhere", 6, 3, "def|###"},
        // A section's lines leave out its comments only.
        {Lines, "One", 16, 14, "a=1|bb=2|bare||##"},
        {Lines, "ONE", 15, 13, "a=1|bb=2|bare||#"},
        {Lines, "One", 7, 5, "a=1|b||#"},
        {Lines, "Two", 4, 0, "|####"},
        {Lines, "Nowhere", 4, 0, "||###"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.kind) + " " + (row.section ? row.section : "-") + " size " +
                     std::to_string(row.size));
        Answer got = answer(row.size, [&](LPWSTR buffer) -> DWORD {
            switch (row.kind) {
            case Names:
                return GetPrivateProfileSectionNamesW(buffer, row.size, file());
            case NoSection:
                return GetPrivateProfileStringW(nullptr, QVR_T("a"), QVR_T("def"), buffer, row.size, file());
            case NoKey:
                return GetPrivateProfileStringW(Arg(row.section), nullptr, QVR_T("def"), buffer, row.size, file());
            default:
                return GetPrivateProfileSectionW(Arg(row.section), buffer, row.size, file());
            }
        });
        EXPECT_EQ(got.result, row.result);
        EXPECT_EQ(got.buffer, row.buffer);
    }
}

// Decimal, or hexadecimal, octal and binary behind a lower-case prefix; the
// digits up to the first other character, modulo 2^32; an empty or missing
// text gives the default (the library passes -1 and takes it as "none").
TEST_F(ProfileTest, NumbersAreReadAsWindowsReadsThem)
{
    struct Row {
        const char* text;  // null: no such entry
        INT def;
        INT value;
    } rows[] = {
        {"42", -1, 42},    {"42abc", -1, 42},     {"-5", -1, -5},     {"+3", -1, 3},
        {"abc", -1, 0},    {"", -1, -1},          {"  7  ", -1, 7},   {"010", -1, 10},
        {"0x1f", -1, 31},  {"0X10", -1, 0},       {"0b101", -1, 5},   {"0o17", -1, 15},
        {"- 5", -1, 0},    {"4294967297", -1, 1}, {"\"12\"", -1, 12}, {"2147483648", -1, INT_MIN},
        {nullptr, 99, 99}, {nullptr, -1, -1},
    };
    std::string bytes = "[n]\r\n";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i)
        if (rows[i].text)
            bytes += "k" + std::to_string(i) + "=" + rows[i].text + "\r\n";
    put(bytes);
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SCOPED_TRACE(rows[i].text ? rows[i].text : "(missing)");
        std::string key = "k" + std::to_string(i);
        EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntW(QVR_T("N"), Arg(key.c_str()), rows[i].def, file())),
                  rows[i].value);
    }
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntW(QVR_T("Nowhere"), QVR_T("k0"), 99, file())), 99);
}

// ------------------------------------------------------------------ writing

TEST_F(ProfileTest, WritesEditTheFileInPlace)
{
    struct Step {
        const char* section;
        const char* key;
        const char* text;
        const char* file;
    } steps[] = {
        {"App1", "key1", "one", "[App1]\r\nkey1=one\r\n"},
        {"App1", "key2", "two", "[App1]\r\nkey1=one\r\nkey2=two\r\n"},
        {"App2", "key3", "three", "[App1]\r\nkey1=one\r\nkey2=two\r\n[App2]\r\nkey3=three\r\n"},
        {"APP1", "KEY3", "x", "[App1]\r\nkey1=one\r\nkey2=two\r\nKEY3=x\r\n[App2]\r\nkey3=three\r\n"},
        {"app1", "KEY1", "uno", "[App1]\r\nkey1=uno\r\nkey2=two\r\nKEY3=x\r\n[App2]\r\nkey3=three\r\n"},
        {"App1", "key2", nullptr, "[App1]\r\nkey1=uno\r\nKEY3=x\r\n[App2]\r\nkey3=three\r\n"},
        {"App1", "key2", nullptr, "[App1]\r\nkey1=uno\r\nKEY3=x\r\n[App2]\r\nkey3=three\r\n"},
        {"App1", "empty", "", "[App1]\r\nkey1=uno\r\nKEY3=x\r\nempty=\r\n[App2]\r\nkey3=three\r\n"},
        {"app1", nullptr, "ignored", "[App2]\r\nkey3=three\r\n"},
        {"App2", nullptr, nullptr, ""},
    };
    ASSERT_FALSE(qvrtest::fileExists(m_file));
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.section) + "/" + (step.key ? step.key : "(null)") + "=" +
                     (step.text ? step.text : "(null)"));
        EXPECT_TRUE(WritePrivateProfileStringW(Arg(step.section), Arg(step.key), Arg(step.text), file()));
        EXPECT_EQ(contents(), step.file);
    }
}

TEST_F(ProfileTest, SectionsAreWrittenWhole)
{
    put("[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
    struct Step {
        const char* section;
        const char* lines;  // null: no list at all
        const char* file;
    } steps[] = {
        {"A", "p=1|q=2||", "[a]\r\np=1\r\nq=2\r\n[b]\r\ny=2\r\n"},
        {"c", "n=1||", "[a]\r\np=1\r\nq=2\r\n[b]\r\ny=2\r\n[c]\r\nn=1\r\n"},
        {"B", nullptr, "[a]\r\np=1\r\nq=2\r\n[c]\r\nn=1\r\n"},
        {"a", "||", "[a]\r\n[c]\r\nn=1\r\n"},
        // An empty list makes no section, and no list removes nothing absent.
        {"d", "||", "[a]\r\n[c]\r\nn=1\r\n"},
        {"d", nullptr, "[a]\r\n[c]\r\nn=1\r\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.section) + ": " + (step.lines ? step.lines : "(null)"));
        wstr lines = step.lines ? list(step.lines) : wstr();
        EXPECT_TRUE(WritePrivateProfileSectionW(Arg(step.section), step.lines ? lines.c_str() : nullptr, file()));
        EXPECT_EQ(contents(), step.file);
    }
}

// Comments and lines above the first section are not the functions' to drop.
TEST_F(ProfileTest, LinesOfNoEntryAreKept)
{
    put("; head\r\nfree text\r\n[a]\r\n; note\r\nx=1\r\n[b]\r\ny=2\r\n");
    EXPECT_TRUE(WritePrivateProfileStringW(QVR_T("b"), QVR_T("y"), QVR_T("22"), file()));
    EXPECT_EQ(contents(), "; head\r\nfree text\r\n[a]\r\n; note\r\nx=1\r\n[b]\r\ny=22\r\n");
}

TEST_F(ProfileTest, WrittenNamesAndTextsLoseTheirSurroundingSpaces)
{
    ASSERT_TRUE(WritePrivateProfileStringW(QVR_T("  Spaced  "), QVR_T("  key  "), QVR_T("  v  "), file()));
    wstr lines = list(" k2 =  v2  ||");
    ASSERT_TRUE(WritePrivateProfileSectionW(QVR_T(" Lines "), lines.c_str(), file()));
    EXPECT_EQ(text("Spaced", "key"), "v");
    EXPECT_EQ(text("lines", "K2"), "v2");
    EXPECT_EQ(getString(nullptr, "x", "", 16).buffer, "Spaced|Lines||###");
}

// ------------------------------------------------------------------ encoding

// A file that starts with FF FE is UTF-16 and is written back so; any other
// is ANSI (code page 1252 here), where Windows writes the nearest character
// it has, or "?", for one it has not.
TEST_F(ProfileTest, FilesKeepTheirEncoding)
{
    struct Row {
        const char* what;
        bool bFile;  // false: no file before the write
        std::string before;
        const char* written;  // as [s] k
        std::string after;
        const char* readKey;
        const char* read;
    } rows[] = {
        {"new file", false, "", "\xc3\xa9\xe2\x82\xac", "[s]\r\nk=\xE9\x80\r\n", "k", "\xc3\xa9\xe2\x82\xac"},
        {"best fit", false, "", "\xce\xa9 \xc4\x81 \xe4\xb8\xad \xf0\x9f\x98\x80 \xef\xbc\xa1",
         "[s]\r\nk=O a ? ?? A\r\n", "k", "O a ? ?? A"},
        {"ANSI", true, "[s]\r\nold=\x80\x81\x9F\r\n", "x", "[s]\r\nold=\x80\x81\x9F\r\nk=x\r\n", "old",
         "\xe2\x82\xac\xc2\x81\xc5\xb8"},
        {"empty file", true, "", "\xce\xa9", "[s]\r\nk=O\r\n", "k", "O"},
        {"UTF-16", true, utf16("[s]\r\nold=\xce\xa9\xf0\x9f\x98\x80\r\n"), "\xe4\xb8\xad",
         utf16("[s]\r\nold=\xce\xa9\xf0\x9f\x98\x80\r\nk=\xe4\xb8\xad\r\n"), "old", "\xce\xa9\xf0\x9f\x98\x80"},
        {"byte-order mark only", true, "\xFF\xFE", "\xce\xa9", utf16("[s]\r\nk=\xce\xa9\r\n"), "k", "\xce\xa9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        qvrtest::resetMachine();
        if (row.bFile)
            put(row.before);
        EXPECT_TRUE(WritePrivateProfileStringW(QVR_T("s"), QVR_T("k"), Arg(row.written), file()));
        EXPECT_EQ(contents(), row.after);
        EXPECT_EQ(text("s", row.readKey), narrow(W(row.read)));
    }
}

// Windows takes only FF FE for Unicode; a UTF-8 mark is three ANSI characters
// in front of the first line, which then starts no section. Wine reads the
// file as UTF-8.
TEST_F(ProfileTest, Utf8FilesAreAnsiText)
{
    put("\xEF\xBB\xBF[s]\r\nk=\xC3\xA9\r\n[t]\r\nm=\xC3\xA9\r\n");
    EXPECT_EQ(text("s", "k"), qvrtest::onSubstitute() ? "(none)" : "\xc3\xa9");
    EXPECT_EQ(text("t", "m"), qvrtest::onSubstitute() ? "\xc3\x83\xc2\xa9" : "\xc3\xa9");
}

// ------------------------------------------------------------------ failures

// Windows answers "path not found" for every path on a missing drive; Wine
// does so only below the drive's root. Windows 7 reports a missing entry as
// "file not found"; Wine clears the last error.
TEST_F(ProfileTest, MissingFilesFoldersAndDrives)
{
    put("[s]\r\nk=1\r\n");
    const wstr missing = qvrtest::testFolder() + W("missing.ini");
    const wstr noFolder = qvrtest::testFolder() + W("nofolder\\p.ini");
    const wstr folder = qvrtest::testFolder();
    const DWORD ulRootOfMissingDrive = qvrtest::onSubstitute() ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    const DWORD ulMissingEntry = qvrtest::onSubstitute() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    auto read = [](const wstr& path, LPCWSTR szKey) {
        return answer(4, [&](LPWSTR buffer) {
            return GetPrivateProfileStringW(QVR_T("s"), szKey, QVR_T("d"), buffer, 4, path.c_str());
        });
    };
    auto write = [](LPCWSTR szSection, const wstr& path) {
        return Answer{static_cast<DWORD>(WritePrivateProfileStringW(szSection, QVR_T("k"), QVR_T("v"), path.c_str())),
                      ""};
    };
    struct Row {
        const char* what;
        std::function<Answer()> call;
        DWORD result;
        const char* buffer;
        DWORD error;
    } rows[] = {
        {"entry", [&] { return read(m_file, QVR_T("k")); }, 1, "1|###", ERROR_SUCCESS},
        {"no entry", [&] { return read(m_file, QVR_T("x")); }, 1, "d|###", ulMissingEntry},
        {"no file", [&] { return read(missing, QVR_T("k")); }, 1, "d|###", ERROR_FILE_NOT_FOUND},
        {"no folder", [&] { return read(noFolder, QVR_T("k")); }, 1, "d|###", ERROR_PATH_NOT_FOUND},
        {"no drive", [&] { return read(W("Q:\\p.ini"), QVR_T("k")); }, 1, "d|###", ulRootOfMissingDrive},
        {"a folder", [&] { return read(folder, QVR_T("k")); }, 1, "d|###", ERROR_ACCESS_DENIED},
        {"names, no file",
         [&] { return answer(4, [&](LPWSTR b) { return GetPrivateProfileSectionNamesW(b, 4, missing.c_str()); }); }, 0,
         "|####", ERROR_FILE_NOT_FOUND},
        {"lines, no file",
         [&] {
             return answer(4, [&](LPWSTR b) { return GetPrivateProfileSectionW(QVR_T("s"), b, 4, missing.c_str()); });
         },
         0, "||###", ERROR_FILE_NOT_FOUND},
        {"number, no file",
         [&] {
             return Answer{GetPrivateProfileIntW(QVR_T("s"), QVR_T("k"), 7, missing.c_str()), ""};
         },
         7, "", ERROR_FILE_NOT_FOUND},
        {"write, no folder", [&] { return write(QVR_T("s"), noFolder); }, FALSE, "", ERROR_PATH_NOT_FOUND},
        {"write, no drive", [&] { return write(QVR_T("s"), W("Q:\\p.ini")); }, FALSE, "", ulRootOfMissingDrive},
        {"write, below a missing drive", [&] { return write(QVR_T("s"), W("Q:\\d\\p.ini")); }, FALSE, "",
         ERROR_PATH_NOT_FOUND},
        {"write, a folder", [&] { return write(QVR_T("s"), folder); }, FALSE, "", ERROR_ACCESS_DENIED},
        {"write, no section", [&] { return write(nullptr, missing); }, FALSE, "", ERROR_FILE_NOT_FOUND},
        {"section, no folder",
         [&] {
             return Answer{
                 static_cast<DWORD>(WritePrivateProfileSectionW(QVR_T("s"), QVR_T("k=v\0"), noFolder.c_str())), ""};
         },
         FALSE, "", ERROR_PATH_NOT_FOUND},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetLastError(77);
        Answer got = row.call();
        EXPECT_EQ(got.result, row.result);
        EXPECT_EQ(got.buffer, row.buffer);
        EXPECT_EQ(GetLastError(), row.error);
    }
    EXPECT_FALSE(qvrtest::fileExists(missing));
    EXPECT_FALSE(qvrtest::fileExists(noFolder));
}

// Windows creates a missing file even for a removal, empty; Wine creates none.
TEST_F(ProfileTest, RemovalsOnAMissingFile)
{
    EXPECT_TRUE(WritePrivateProfileStringW(QVR_T("s"), QVR_T("k"), nullptr, file()));
    EXPECT_EQ(qvrtest::fileExists(m_file), qvrtest::onSubstitute());
    EXPECT_EQ(contents(), "");
}

// A handle left open stops a read unless it shares reading, and a write
// unless it shares reading and writing.
TEST_F(ProfileTest, OpenHandlesMustShareTheFile)
{
    struct Row {
        DWORD access;
        DWORD share;
        bool bRead;
        bool bWrite;
    } rows[] = {
        {GENERIC_READ, FILE_SHARE_READ, true, false},
        {GENERIC_READ, FILE_SHARE_WRITE, false, false},
        {GENERIC_WRITE, FILE_SHARE_READ, true, false},
        {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.access) + "/" + std::to_string(row.share));
        put("[s]\r\nk=1\r\n");
        HANDLE hFile =
            CreateFileW(file(), row.access, row.share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
        SetLastError(0);
        EXPECT_EQ(text("s", "k"), row.bRead ? "1" : "(none)");
        EXPECT_EQ(GetLastError(), row.bRead ? 0u : kSharingViolation);
        EXPECT_EQ(WritePrivateProfileStringW(QVR_T("s"), QVR_T("k"), QVR_T("2"), file()), row.bWrite ? TRUE : FALSE);
        if (!row.bWrite) {
            EXPECT_EQ(GetLastError(), kSharingViolation);
        }
        CloseHandle(hFile);
        EXPECT_EQ(text("s", "k"), row.bWrite ? "2" : "1");
    }
}

TEST_F(ProfileTest, InjectedFailuresStopEveryFunction)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
    put("[s]\r\nk=1\r\n");
    WCHAR buffer[16];
    struct Row {
        const char* function;
        std::function<DWORD()> call;
        DWORD failed;
        DWORD worked;
    } rows[] = {
        {"GetPrivateProfileStringW",
         [&] { return GetPrivateProfileStringW(QVR_T("s"), QVR_T("k"), QVR_T("dd"), buffer, 16, file()); }, 2, 1},
        {"GetPrivateProfileIntW", [&] { return GetPrivateProfileIntW(QVR_T("s"), QVR_T("k"), 7, file()); }, 7, 1},
        {"GetPrivateProfileSectionW", [&] { return GetPrivateProfileSectionW(QVR_T("s"), buffer, 16, file()); }, 0, 4},
        {"GetPrivateProfileSectionNamesW", [&] { return GetPrivateProfileSectionNamesW(buffer, 16, file()); }, 0, 2},
        {"WritePrivateProfileStringW",
         [&] { return static_cast<DWORD>(WritePrivateProfileStringW(QVR_T("s"), QVR_T("k"), QVR_T("1"), file())); },
         FALSE, TRUE},
        {"WritePrivateProfileSectionW",
         [&] { return static_cast<DWORD>(WritePrivateProfileSectionW(QVR_T("s"), QVR_T("k=1\0"), file())); }, FALSE,
         TRUE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.function);
        qvrtest::failNext(row.function, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(row.call(), row.failed);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_EQ(row.call(), row.worked);
        EXPECT_EQ(contents(), "[s]\r\nk=1\r\n");
    }
}

}  // namespace
