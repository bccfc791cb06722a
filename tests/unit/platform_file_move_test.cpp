// Replacing files as the patch procedure does: the installed file moved to
// its ".bak" name, the new one copied over it; read-only files and the
// current directory, which completes relative paths. The same cases run
// under Wine and on the substitute. Wine leaves the read-only attribute to
// the host, which lets a read-only file be replaced and written: Windows
// refuses with access denied, and so does the substitute.
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const DWORD kUntouched = 77;  // a last error no call here sets
const DWORD kSharingViolation = 32;
const DWORD kFileExists = 80;
const WCHAR kFill = 0x4141;
const DWORD kReadOnlyFile = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class FileMoveTest : public qvrtest::MachineTest {
protected:
    // A folder of its own for each case, with a.txt ("A"), b.txt ("B"), the
    // read-only ro.txt ("RO") and the folder sub.
    static wstr prepare(int index)
    {
        wstr folder = qvrtest::testFolder() + W(("case" + std::to_string(index) + "\\").c_str());
        EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        EXPECT_TRUE(CreateDirectoryW((folder + W("sub")).c_str(), nullptr));
        write(folder + W("a.txt"), "A");
        write(folder + W("b.txt"), "B");
        write(folder + W("ro.txt"), "RO");
        EXPECT_TRUE(SetFileAttributesW((folder + W("ro.txt")).c_str(), FILE_ATTRIBUTE_READONLY));
        return folder;
    }
    static void write(const wstr& path, const char* szText)
    {
        HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(hFile, INVALID_HANDLE_VALUE) << narrow(path);
        DWORD written = 0;
        WriteFile(hFile, szText, static_cast<DWORD>(strlen(szText)), &written, nullptr);
        CloseHandle(hFile);
    }
    // A file's text, "-" when there is no such file.
    static std::string text(const wstr& path)
    {
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return "-";
        std::vector<uint8_t> bytes = qvrtest::readFile(path);
        return std::string(bytes.begin(), bytes.end());
    }
    // A name within the case's folder; "|" starts a path taken as it is.
    static wstr at(const wstr& folder, const char* szName)
    {
        return szName[0] == '|' ? W(szName + 1) : folder + W(szName);
    }
};

// Replacing needs MOVEFILE_REPLACE_EXISTING and is refused for a folder or
// a read-only file. A path on a drive the machine lacks is not found: as a
// path on Windows, as a file under Wine.
TEST_F(FileMoveTest, MovingFiles)
{
    const bool bWindows = qvrtest::onSubstitute();
    const DWORD kNoDrive = bWindows ? DWORD(ERROR_PATH_NOT_FOUND) : DWORD(ERROR_FILE_NOT_FOUND);
    const struct {
        const char *szFrom, *szTo;
        DWORD flags;
        bool bMoved;
        DWORD ulError;
        const char *szFromAfter, *szToAfter;
    } cases[] = {
        {"a.txt", "b.txt", 0, false, ERROR_ALREADY_EXISTS, "A", "B"},
        {"a.txt", "b.txt", MOVEFILE_REPLACE_EXISTING, true, kUntouched, "-", "A"},
        {"a.txt", "new.txt", 0, true, kUntouched, "-", "A"},
        {"missing.txt", "new.txt", MOVEFILE_REPLACE_EXISTING, false, ERROR_FILE_NOT_FOUND, "-", "-"},
        {"missing\\a.txt", "new.txt", MOVEFILE_REPLACE_EXISTING, false, ERROR_PATH_NOT_FOUND, "-", "-"},
        {"a.txt", "missing\\new.txt", MOVEFILE_REPLACE_EXISTING, false, ERROR_PATH_NOT_FOUND, "A", "-"},
        {"a.txt", "sub", MOVEFILE_REPLACE_EXISTING, false, ERROR_ACCESS_DENIED, "A", "-"},
        {"a.txt", "sub", 0, false, ERROR_ALREADY_EXISTS, "A", "-"},
        {"a.txt", "ro.txt", MOVEFILE_REPLACE_EXISTING, !bWindows, bWindows ? DWORD(ERROR_ACCESS_DENIED) : kUntouched,
         bWindows ? "A" : "-", bWindows ? "RO" : "A"},
        {"|", "new.txt", MOVEFILE_REPLACE_EXISTING, false, ERROR_PATH_NOT_FOUND, "-", "-"},
        {"a.txt", "|Q:\\new.txt", MOVEFILE_REPLACE_EXISTING, false, kNoDrive, "A", "-"},
    };
    int index = 0;
    for (const auto& c : cases) {
        const wstr folder = prepare(++index), from = at(folder, c.szFrom), to = at(folder, c.szTo);
        SetLastError(kUntouched);
        EXPECT_EQ(MoveFileExW(from.c_str(), to.c_str(), c.flags) != FALSE, c.bMoved) << c.szFrom << " " << c.szTo;
        EXPECT_EQ(GetLastError(), c.ulError) << c.szFrom << " " << c.szTo;
        EXPECT_EQ(text(from), c.szFromAfter) << c.szFrom << " " << c.szTo;
        EXPECT_EQ(text(to), c.szToAfter) << c.szFrom << " " << c.szTo;
    }
    // The attribute goes with the file.
    const wstr folder = prepare(++index);
    EXPECT_TRUE(MoveFileExW((folder + W("ro.txt")).c_str(), (folder + W("ro.bak")).c_str(), 0));
    EXPECT_EQ(GetFileAttributesW((folder + W("ro.bak")).c_str()), kReadOnlyFile);
}

// Overwriting unless told not to (ERROR_FILE_EXISTS then); a folder is
// neither copied nor overwritten; a copy onto the source itself is a
// sharing violation. Success clears the last error, as Wine does. Windows
// documents that a read-only target is refused (Wine overwrites it).
TEST_F(FileMoveTest, CopyingFiles)
{
    const bool bWindows = qvrtest::onSubstitute();
    const struct {
        const char *szFrom, *szTo;
        BOOL bFailIfExists;
        bool bCopied;
        DWORD ulError;
        const char* szToAfter;
    } cases[] = {
        {"a.txt", "b.txt", FALSE, true, ERROR_SUCCESS, "A"},
        {"a.txt", "b.txt", TRUE, false, kFileExists, "B"},
        {"a.txt", "new.txt", TRUE, true, ERROR_SUCCESS, "A"},
        {"missing.txt", "new.txt", FALSE, false, ERROR_FILE_NOT_FOUND, "-"},
        {"missing\\a.txt", "new.txt", FALSE, false, ERROR_PATH_NOT_FOUND, "-"},
        {"a.txt", "missing\\new.txt", FALSE, false, ERROR_PATH_NOT_FOUND, "-"},
        {"sub", "new.txt", FALSE, false, ERROR_ACCESS_DENIED, "-"},
        {"a.txt", "sub", FALSE, false, ERROR_ACCESS_DENIED, "-"},
        {"a.txt", "a.txt", FALSE, false, kSharingViolation, "A"},
        {"a.txt", "a.txt", TRUE, false, kFileExists, "A"},
        {"a.txt", "ro.txt", FALSE, !bWindows, bWindows ? DWORD(ERROR_ACCESS_DENIED) : DWORD(ERROR_SUCCESS),
         bWindows ? "RO" : "A"},
    };
    int index = 0;
    for (const auto& c : cases) {
        const wstr folder = prepare(++index), from = at(folder, c.szFrom), to = at(folder, c.szTo);
        SetLastError(kUntouched);
        EXPECT_EQ(CopyFileW(from.c_str(), to.c_str(), c.bFailIfExists) != FALSE, c.bCopied)
            << c.szFrom << " " << c.szTo;
        EXPECT_EQ(GetLastError(), c.ulError) << c.szFrom << " " << c.szTo;
        EXPECT_EQ(text(to), c.szToAfter) << c.szFrom << " " << c.szTo;
    }
    // The copy gets the source's attributes.
    const wstr folder = prepare(++index);
    EXPECT_TRUE(CopyFileW((folder + W("ro.txt")).c_str(), (folder + W("copy.txt")).c_str(), FALSE));
    EXPECT_EQ(GetFileAttributesW((folder + W("copy.txt")).c_str()), kReadOnlyFile);
}

// Held open by another handle: a file cannot be renamed unless the handle
// shares deletion, nor replaced at all. A copy reads its source sharing
// reading and writing and writes its target with the same sharing, so only
// a handle that denies reading the source, or writing the target, stops it.
TEST_F(FileMoveTest, FilesHeldOpen)
{
    const DWORD kReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const struct {
        bool bMove;
        const char* szHeld;
        DWORD access, share;
        DWORD ulError;  // kUntouched or ERROR_SUCCESS: done
    } cases[] = {
        {true, "a.txt", GENERIC_READ, 0, kSharingViolation},
        {true, "a.txt", GENERIC_READ, kReadWrite, kSharingViolation},
        {true, "a.txt", GENERIC_READ, kShareAll, kUntouched},
        {true, "b.txt", GENERIC_READ, kShareAll, ERROR_ACCESS_DENIED},
        {false, "a.txt", GENERIC_READ, 0, kSharingViolation},
        {false, "a.txt", GENERIC_READ, FILE_SHARE_READ, ERROR_SUCCESS},
        {false, "a.txt", GENERIC_WRITE, FILE_SHARE_READ, ERROR_SUCCESS},
        {false, "b.txt", GENERIC_READ, FILE_SHARE_READ, kSharingViolation},
        {false, "b.txt", GENERIC_WRITE, FILE_SHARE_READ, kSharingViolation},
        {false, "b.txt", GENERIC_READ, kReadWrite, ERROR_SUCCESS},
    };
    int index = 0;
    for (const auto& c : cases) {
        const wstr folder = prepare(++index), a = folder + W("a.txt"), b = folder + W("b.txt");
        HANDLE hHeld =
            CreateFileW((folder + W(c.szHeld)).c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
        const bool bDone = c.ulError == kUntouched || c.ulError == ERROR_SUCCESS;
        SetLastError(kUntouched);
        BOOL bResult = c.bMove ? MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING)
                               : CopyFileW(a.c_str(), b.c_str(), FALSE);
        EXPECT_EQ(bResult != FALSE, bDone) << index;
        EXPECT_EQ(GetLastError(), c.ulError) << index;
        CloseHandle(hHeld);
        EXPECT_EQ(text(b), bDone ? "A" : "B") << index;
    }
    EXPECT_EQ(qvrtest::openHandles(), 0u);
}

// Read-only and hidden stay as set, the archive bit is always there and
// FILE_ATTRIBUTE_NORMAL (or 0) clears the others. A read-only file is not
// deleted; Windows does not open it for writing either (Wine does).
TEST_F(FileMoveTest, ReadOnlyFiles)
{
    const wstr folder = prepare(1), path = folder + W("a.txt");
    const struct {
        DWORD set, read;
    } cases[] = {{FILE_ATTRIBUTE_READONLY, kReadOnlyFile},
                 {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE},
                 {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL, kReadOnlyFile},
                 {0, FILE_ATTRIBUTE_ARCHIVE},
                 {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
                 {FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_ARCHIVE}};
    for (const auto& c : cases) {
        SetLastError(kUntouched);
        EXPECT_TRUE(SetFileAttributesW(path.c_str(), c.set)) << c.set;
        EXPECT_EQ(GetLastError(), kUntouched) << c.set;
        EXPECT_EQ(GetFileAttributesW(path.c_str()), c.read) << c.set;
    }
    EXPECT_FALSE(SetFileAttributesW((folder + W("missing.txt")).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SetFileAttributesW((folder + W("missing\\a.txt")).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    const wstr readOnly = folder + W("ro.txt");
    EXPECT_FALSE(DeleteFileW(readOnly.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    HANDLE hFile = CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(hFile == INVALID_HANDLE_VALUE, qvrtest::onSubstitute());
    if (hFile == INVALID_HANDLE_VALUE)
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    else
        CloseHandle(hFile);
    EXPECT_EQ(text(readOnly), "RO");
}

// The current directory has no trailing backslash unless it is a root. A
// buffer too small gets nothing, and the answer is the size needed with the
// terminator; the last error stays as it was. Relative paths are completed
// with it.
TEST_F(FileMoveTest, TheCurrentDirectory)
{
    qvrtest::setCurrentDirectory(qvrtest::testFolder());
    const wstr current = qvrtest::testFolder().substr(0, qvrtest::testFolder().size() - 1);
    const DWORD cch = static_cast<DWORD>(current.size());
    const struct {
        DWORD cchBuffer, result;
        bool bWritten;
    } cases[] = {{0, cch + 1, false}, {1, cch + 1, false}, {cch, cch + 1, false}, {cch + 1, cch, true}};
    for (const auto& c : cases) {
        std::vector<WCHAR> buffer(MAX_PATH, kFill);
        SetLastError(kUntouched);
        EXPECT_EQ(GetCurrentDirectoryW(c.cchBuffer, buffer.data()), c.result) << c.cchBuffer;
        EXPECT_EQ(GetLastError(), kUntouched) << c.cchBuffer;
        if (c.bWritten)
            EXPECT_EQ(narrow(buffer.data()), narrow(current));
        else
            EXPECT_EQ(buffer[0], kFill) << c.cchBuffer;
    }
    EXPECT_EQ(GetCurrentDirectoryW(0, nullptr), cch + 1);

    write(W("relative.txt"), "R");
    EXPECT_EQ(text(qvrtest::testFolder() + W("relative.txt")), "R");
    ASSERT_TRUE(CreateDirectoryW(W("sub").c_str(), nullptr));
    EXPECT_TRUE(CopyFileW(W("relative.txt").c_str(), W("sub\\copy.txt").c_str(), FALSE));
    EXPECT_EQ(text(qvrtest::testFolder() + W("sub\\copy.txt")), "R");
    EXPECT_EQ(text(W("\\qvrtest\\relative.txt")), "R");
}

TEST_F(FileMoveTest, FileCallsCanBeMadeToFail)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
    const wstr folder = prepare(1), a = folder + W("a.txt"), b = folder + W("b.txt");
    const std::pair<const char*, std::function<bool()>> calls[] = {
        {"MoveFileExW", [&] { return MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; }},
        {"CopyFileW", [&] { return CopyFileW(a.c_str(), b.c_str(), FALSE) != FALSE; }},
        {"SetFileAttributesW", [&] { return SetFileAttributesW(a.c_str(), FILE_ATTRIBUTE_READONLY) != FALSE; }},
    };
    for (const auto& call : calls) {
        SetLastError(kUntouched);
        ASSERT_TRUE(qvrtest::failNext(call.first, ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_FALSE(call.second()) << call.first;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << call.first;
    }
    EXPECT_EQ(text(a), "A");
    EXPECT_EQ(text(b), "B");
    EXPECT_EQ(GetFileAttributesW(a.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

}  // namespace
