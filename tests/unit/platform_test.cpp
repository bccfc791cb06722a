// The platform calls as the library relies on them. The same cases run under
// Wine and on the substitute, which keeps the substitute honest: where they
// disagree, the substitute is wrong.
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

namespace {

// Codes the library does not name but Windows gives.
const DWORD kSharingViolation = 32;
const DWORD kFileExists = 80;
const DWORD kNegativeSeek = 131;
const DWORD kDirNotEmpty = 145;
const LONG kBadPathname = 161;
const LONG kKeyDeleted = 1018;

const DWORD kUntouched = 77;  // a last error no call here sets

class PlatformTest : public qvrtest::MachineTest {
protected:
    wstr file(const char* szName) const { return qvrtest::testFolder() + W(szName); }
};

// ---------------------------------------------------------------- registry

class RegistryTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                  &m_hKey, nullptr),
                  ERROR_SUCCESS);
        const WCHAR text[] = QVR_T("hello");
        ASSERT_EQ(RegSetValueExW(m_hKey, QVR_T("Text"), 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
                  ERROR_SUCCESS);
        DWORD number = 0x11223344;
        ASSERT_EQ(RegSetValueExW(m_hKey, QVR_T("Number"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                 sizeof number),
                  ERROR_SUCCESS);
    }
    void TearDown() override
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
        PlatformTest::TearDown();
    }

    static constexpr const WCHAR* kKey = QVR_T("SOFTWARE\\Dravonne\\PlatformTest");
    HKEY m_hKey = nullptr;
};

TEST_F(RegistryTest, MissingKeysAreFileNotFoundAndBadPathsAreRefused)
{
    HKEY hKey = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SOFTWARE\\Dravonne\\Missing"), 0, KEY_READ, &hKey),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SOFTWARE\\Dravonne\\Missing\\Deeper"), 0, KEY_READ, &hKey),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(m_hKey, QVR_T("Missing"), 0, KEY_READ, &hKey), ERROR_FILE_NOT_FOUND);
    // A sub-key path never starts with a backslash.
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("\\SOFTWARE\\Dravonne\\PlatformTest"), 0,
                            KEY_READ | KEY_WOW64_64KEY, &hKey),
              kBadPathname);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCase)
{
    HKEY hKey = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(m_hKey, QVR_T("Sub"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(hKey);
    ASSERT_EQ(RegCreateKeyExW(m_hKey, QVR_T("SUB"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(hKey);

    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("software\\DRAVONNE\\platformtest"), 0,
                            KEY_READ | KEY_WOW64_64KEY, &hKey),
              ERROR_SUCCESS);
    DWORD type = 0, cb = 0;
    EXPECT_EQ(RegQueryValueExW(hKey, QVR_T("TEXT"), nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    RegCloseKey(hKey);
}

TEST_F(RegistryTest, QueryValueAnswers)
{
    BYTE data[32];
    DWORD type = 99, cb = sizeof data;

    // Present: type, size and data with the terminator as stored.
    ASSERT_EQ(RegQueryValueExW(m_hKey, QVR_T("Text"), nullptr, &type, data, &cb), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    ASSERT_EQ(cb, 12u);
    EXPECT_EQ(narrow(wstr(reinterpret_cast<const WCHAR*>(data))), "hello");

    // Absent: neither type nor size is touched.
    type = 99;
    cb = sizeof data;
    EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Absent"), nullptr, &type, data, &cb), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(cb, static_cast<DWORD>(sizeof data));

    // Too small: nothing is written, the size needed and the type are.
    std::vector<BYTE> small(sizeof data, 0x42);
    for (DWORD cbSmall : {4u, 11u}) {
        type = 99;
        cb = cbSmall;
        EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Text"), nullptr, &type, small.data(), &cb), ERROR_MORE_DATA);
        EXPECT_EQ(cb, 12u);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(small, std::vector<BYTE>(sizeof data, 0x42));
    }
    cb = 3;
    EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Number"), nullptr, &type, small.data(), &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 4u);

    // Without a data buffer the call asks for the size, whatever *lpcbData held.
    cb = 5;
    EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Text"), nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 12u);
    EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Text"), nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    // A data buffer without its size is refused.
    EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Text"), nullptr, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);

    // A string stored without its terminator gets one on reading when the
    // buffer has room for it; the size stays the stored one.
    const WCHAR unterminated[] = QVR_T("hellox");
    ASSERT_EQ(RegSetValueExW(m_hKey, QVR_T("Cut"), 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 10),
              ERROR_SUCCESS);
    for (DWORD cbBuffer : {12u, 11u}) {
        std::vector<BYTE> read(16, 0x42);
        cb = cbBuffer;
        ASSERT_EQ(RegQueryValueExW(m_hKey, QVR_T("Cut"), nullptr, nullptr, read.data(), &cb), ERROR_SUCCESS);
        EXPECT_EQ(cb, 10u);
        EXPECT_EQ(read[10], cbBuffer >= 12 ? 0 : 0x42) << cbBuffer;
        EXPECT_EQ(read[11], cbBuffer >= 12 ? 0 : 0x42) << cbBuffer;
    }

    // Given without its terminator but with one right behind, a string is
    // stored with it.
    const WCHAR terminated[] = QVR_T("hello");
    ASSERT_EQ(RegSetValueExW(m_hKey, QVR_T("Short"), 0, REG_SZ, reinterpret_cast<const BYTE*>(terminated), 10),
              ERROR_SUCCESS);
    cb = 0;
    EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Short"), nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 12u);

    // Given without its terminator and with nothing behind it (a block of
    // exactly that size), a string is taken as it is: the bytes behind the
    // caller's block are not the platform's to read.
    std::vector<BYTE> exact = {'a', 0, 'b', 0};
    ASSERT_EQ(RegSetValueExW(m_hKey, QVR_T("Exact"), 0, REG_SZ, exact.data(), 4), ERROR_SUCCESS);
    cb = 0;
    EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Exact"), nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);
    if (qvrtest::onSubstitute()) {  // Windows and Wine look at whatever lies behind it
        EXPECT_EQ(cb, 4u);
    }

    DWORD number = 0;
    cb = sizeof number;
    ASSERT_EQ(RegQueryValueExW(m_hKey, QVR_T("Number"), nullptr, &type, reinterpret_cast<BYTE*>(&number), &cb),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number, 0x11223344u);
}

TEST_F(RegistryTest, RegistryCallsLeaveTheLastErrorAlone)
{
    SetLastError(kUntouched);
    HKEY hKey = nullptr;
    DWORD cb = 0;
    EXPECT_EQ(RegOpenKeyExW(m_hKey, QVR_T("Missing"), 0, KEY_READ, &hKey), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Absent"), nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(m_hKey, QVR_T("Text"), nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), kUntouched);
}

// A 64-bit Windows keeps the 32-bit programs' HKEY_LOCAL_MACHINE Software
// under Software\Wow6432Node; the library's 64-bit build relies on it.
TEST_F(RegistryTest, ThirtyTwoBitViewLivesInWow6432Node)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software\\Dravonne\\View\\Key"), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(hKey);

    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software\\Wow6432Node\\Dravonne\\View\\Key"), 0,
                            KEY_READ | KEY_WOW64_64KEY, &hKey),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
    EXPECT_EQ(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software\\Dravonne\\View\\Key"), 0, KEY_READ | KEY_WOW64_64KEY, &hKey),
        ERROR_FILE_NOT_FOUND);
    // Naming Wow6432Node in the 32-bit view does not nest it twice.
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SOFTWARE\\WOW6432NODE\\dravonne\\view\\key"), 0,
                            KEY_READ | KEY_WOW64_32KEY, &hKey),
              ERROR_SUCCESS);
    RegCloseKey(hKey);

    // Below an open key the path continues from that key, whatever view flag.
    HKEY hSoftware = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software"), 0, KEY_READ | KEY_WOW64_32KEY, &hSoftware),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExW(hSoftware, QVR_T("Dravonne\\View\\Key"), 0, KEY_READ | KEY_WOW64_64KEY, &hKey),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
    RegCloseKey(hSoftware);

    // The library's own view rule reaches the same key: a 64-bit build adds
    // the 32-bit view, and a 32-bit program on 64-bit Windows has it anyway.
    EXPECT_EQ(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software\\Dravonne\\View\\Key"), 0, qvrRegistryView(KEY_READ), &hKey),
        ERROR_SUCCESS);
    RegCloseKey(hKey);

    // HKEY_CURRENT_USER Software is one key for both views.
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, QVR_T("Software\\Dravonne\\PlatformView"), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, QVR_T("Software\\Dravonne\\PlatformView"), 0, KEY_READ | KEY_WOW64_64KEY,
                            &hKey),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
    qvrtest::deleteKeyTree(HKEY_CURRENT_USER, W("Software\\Dravonne"));
}

TEST_F(RegistryTest, DeletionAndHandles)
{
    HKEY hDeep = nullptr;
    ASSERT_EQ(RegCreateKeyExW(m_hKey, QVR_T("Sub\\Deep"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hDeep, nullptr),
              ERROR_SUCCESS);
    // Only a key without sub-keys can be deleted one by one.
    EXPECT_EQ(RegDeleteKeyW(m_hKey, QVR_T("Sub")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(m_hKey, QVR_T("Missing")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(m_hKey, QVR_T("Absent")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(m_hKey, QVR_T("number")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(m_hKey, QVR_T("Number")), ERROR_FILE_NOT_FOUND);

    // A handle on a deleted key stays open but refuses its work, even when
    // a key of the same name is made again.
    qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W("SOFTWARE\\Dravonne\\PlatformTest\\Sub"));
    HKEY hAgain = nullptr;
    ASSERT_EQ(RegCreateKeyExW(m_hKey, QVR_T("Sub\\Deep"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hAgain, nullptr),
              ERROR_SUCCESS);
    DWORD value = 1;
    EXPECT_EQ(RegSetValueExW(hDeep, QVR_T("V"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              kKeyDeleted);
    EXPECT_EQ(RegSetValueExW(hAgain, QVR_T("V"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(hDeep), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(hDeep), ERROR_INVALID_HANDLE);
    RegCloseKey(hAgain);
}

// ------------------------------------------------------------------- files

class FileTest : public PlatformTest {
protected:
    HANDLE open(const wstr& path, DWORD access, DWORD share, DWORD disposition)
    {
        return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    void write(HANDLE hFile, const std::string& text)
    {
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
        EXPECT_EQ(written, text.size());
    }
    std::string contents(const wstr& path)
    {
        std::vector<uint8_t> bytes = qvrtest::readFile(path);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(FileTest, OpeningReportsWhatItFoundInTheLastError)
{
    SetLastError(kUntouched);
    EXPECT_EQ(open(file("missing.txt"), GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(open(file("nodir\\missing.txt"), GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(open(file("nodir\\new.txt"), GENERIC_WRITE, 0, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    SetLastError(kUntouched);
    HANDLE hFile = open(file("New.txt"), GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(hFile);
    EXPECT_TRUE(qvrtest::fileExists(file("new.txt")));

    hFile = open(file("NEW.TXT"), GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(hFile);
    hFile = open(file("new.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(hFile);
    EXPECT_EQ(open(file("new.txt"), GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), kFileExists);

    // A folder is no file.
    EXPECT_EQ(open(qvrtest::testFolder(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(FileTest, AppendingAtTheEnd)
{
    HANDLE hFile = open(file("log.txt"), GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    write(hFile, "abc");
    CloseHandle(hFile);

    hFile = open(file("LOG.txt"), GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    SetLastError(kUntouched);
    EXPECT_EQ(SetFilePointer(hFile, 0, nullptr, FILE_END), 3u);
    EXPECT_EQ(GetLastError(), kUntouched);
    write(hFile, "de");
    EXPECT_EQ(SetFilePointer(hFile, -10, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), kNegativeSeek);
    CloseHandle(hFile);
    EXPECT_EQ(contents(file("log.txt")), "abcde");

    // Reading at the end succeeds with nothing read.
    hFile = open(file("log.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    char buffer[16];
    DWORD got = 99;
    SetLastError(kUntouched);
    EXPECT_TRUE(ReadFile(hFile, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 5u);
    EXPECT_TRUE(ReadFile(hFile, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(GetLastError(), kUntouched);
    CloseHandle(hFile);

    // CREATE_ALWAYS starts the file again.
    hFile = open(file("log.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    CloseHandle(hFile);
    EXPECT_EQ(contents(file("log.txt")), "");
}

TEST_F(FileTest, HandlesKeepToTheirAccessAndSharing)
{
    HANDLE hWriter = open(file("shared.txt"), GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
    ASSERT_NE(hWriter, INVALID_HANDLE_VALUE);
    write(hWriter, "x");
    char buffer[4];
    DWORD got = 0;
    EXPECT_FALSE(ReadFile(hWriter, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    // A second writer is refused while the first shares only reading...
    EXPECT_EQ(open(file("shared.txt"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), kSharingViolation);
    // ...and so is a reader that would not share the first one's writing.
    EXPECT_EQ(open(file("shared.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), kSharingViolation);
    HANDLE hReader = open(file("shared.txt"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    EXPECT_NE(hReader, INVALID_HANDLE_VALUE);
    CloseHandle(hReader);
    EXPECT_TRUE(CloseHandle(hWriter));

    SetLastError(kUntouched);
    EXPECT_FALSE(CloseHandle(hWriter));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD written = 99;
    EXPECT_FALSE(WriteFile(hWriter, "a", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(written, 0u);
}

TEST_F(FileTest, FoldersAreMadeOneLevelAtATime)
{
    SetLastError(kUntouched);
    EXPECT_FALSE(CreateDirectoryW(file("a\\b").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    SetLastError(kUntouched);
    EXPECT_TRUE(CreateDirectoryW(file("A").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), kUntouched);
    EXPECT_FALSE(CreateDirectoryW(file("a").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(CreateDirectoryW(file("a\\B\\").c_str(), nullptr));

    HANDLE hFile = open(file("plain.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    CloseHandle(hFile);
    EXPECT_FALSE(CreateDirectoryW(file("plain.txt").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    EXPECT_EQ(GetFileAttributesW(file("A").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(file("a\\b\\").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(file("PLAIN.txt").c_str()), 0x20u);  // archive
    EXPECT_EQ(GetFileAttributesW(file("plain.txt\\").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(file("nothing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(file("nothing\\x").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    EXPECT_FALSE(RemoveDirectoryW(file("a").c_str()));
    EXPECT_EQ(GetLastError(), kDirNotEmpty);
    EXPECT_FALSE(RemoveDirectoryW(file("zzz").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(file("a").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteFileW(file("nothing").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(RemoveDirectoryW(file("A\\b").c_str()));
    EXPECT_TRUE(DeleteFileW(file("Plain.TXT").c_str()));
    EXPECT_FALSE(qvrtest::fileExists(file("plain.txt")));
}

// Only drives the machine has exist: nothing is made or written on another.
// Windows answers "path not found" for every path on a missing drive; Wine
// does so for the drive's root only and "file not found" below it.
TEST_F(FileTest, PathsOnAMissingDriveAreNotFound)
{
    const DWORD ulBelowRoot = qvrtest::onSubstitute() ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    SetLastError(kUntouched);
    EXPECT_FALSE(CreateDirectoryW(QVR_T("Q:\\"), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(CreateDirectoryW(QVR_T("Q:\\logs"), nullptr));
    EXPECT_EQ(GetLastError(), ulBelowRoot);
    EXPECT_EQ(
        CreateFileW(QVR_T("Q:\\probe.log"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ulBelowRoot);
    EXPECT_EQ(GetFileAttributesW(QVR_T("Q:\\probe.log")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ulBelowRoot);
}

TEST_F(FileTest, ResetEmptiesTheTestFolder)
{
    HANDLE hFile = open(file("left.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    CloseHandle(hFile);
    ASSERT_TRUE(CreateDirectoryW(file("sub").c_str(), nullptr));
    qvrtest::resetMachine();
    EXPECT_FALSE(qvrtest::fileExists(file("left.txt")));
    EXPECT_FALSE(qvrtest::fileExists(file("sub")));
    EXPECT_EQ(GetFileAttributesW(qvrtest::testFolder().c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

// ----------------------------------------------------- module path, errors

TEST_F(PlatformTest, ModulePathIsAFullWindowsPath)
{
    wstr path = qvrtest::modulePath();
    ASSERT_GT(path.size(), 7u);
    EXPECT_EQ(path[1], static_cast<WCHAR>(':'));
    EXPECT_EQ(path[2], static_cast<WCHAR>('\\'));
    EXPECT_EQ(narrow(path.substr(path.size() - 4)), ".exe");
    EXPECT_EQ(narrow(qvrtest::moduleBaseName()), "platform_test");
}

// Wine (like Windows XP) cuts a path that does not fit to the buffer without
// a terminator and answers with the buffer size.
TEST_F(PlatformTest, ModulePathInTooSmallABuffer)
{
    wstr path = qvrtest::modulePath();
    DWORD cch = static_cast<DWORD>(path.size());
    for (DWORD size : {DWORD(5), cch}) {
        std::vector<WCHAR> buffer(cch + 8, static_cast<WCHAR>(0x4141));
        SetLastError(kUntouched);
        EXPECT_EQ(GetModuleFileNameW(nullptr, buffer.data(), size), size);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(wstr(buffer.data(), size), path.substr(0, size));
        EXPECT_EQ(buffer[size], static_cast<WCHAR>(0x4141));
    }
    std::vector<WCHAR> buffer(cch + 1, static_cast<WCHAR>(0x4141));
    SetLastError(kUntouched);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer.data(), cch + 1), cch);
    EXPECT_EQ(buffer[cch], static_cast<WCHAR>(0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    SetLastError(kUntouched);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer.data(), 0), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(PlatformTest, LastErrorIsKeptUntilSetAgain)
{
    SetLastError(1234);
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(GetLastError(), 1234u);
    SetLastError(0);
    EXPECT_EQ(GetLastError(), 0u);
}

// ---------------------------------------------------------------- wsprintfW

TEST_F(PlatformTest, WsprintfConversions)
{
    WCHAR out[1100];
    SetLastError(kUntouched);
    int cch = wsprintfW(out, QVR_T("[%s|%d|%08x|%u|%%|%X|%5d|%-5d|%c|%#x|%.3d|%.2s]"), QVR_T("w\x00e9"), -42, 0xBEEFu,
                        4000000000u, 0xABu, 7, 7, static_cast<int>('Z'), 255u, 7, QVR_T("abcd"));
    EXPECT_EQ(narrow(wstr(out)), "[w\xc3\xa9|-42|0000beef|4000000000|%|AB|    7|7    |Z|0xff|007|ab]");
    EXPECT_EQ(cch, static_cast<int>(wstr(out).size()));
    EXPECT_EQ(GetLastError(), kUntouched);

    const WCHAR* szNull = nullptr;
    cch = wsprintfW(out, QVR_T("<%s>"), szNull);
    EXPECT_EQ(narrow(wstr(out)), "<(null)>");
    EXPECT_EQ(cch, 8);
    wsprintfW(out, QVR_T("%d %d %u"), static_cast<int>(0x80000000u), 0, 0u);
    EXPECT_EQ(narrow(wstr(out)), "-2147483648 0 0");
}

// At most 1,023 characters and the terminator; an output that reaches the
// 1,023rd character counts as cut and answers 1,024.
TEST_F(PlatformTest, WsprintfOutputBound)
{
    std::vector<WCHAR> out(1100);
    for (size_t len : {size_t(1022), size_t(1023), size_t(1024), size_t(2000)}) {
        wstr text(len, static_cast<WCHAR>('a'));
        std::fill(out.begin(), out.end(), static_cast<WCHAR>(0x4242));
        int cch = wsprintfW(out.data(), QVR_T("%s"), text.c_str());
        size_t written = len < 1023 ? len : 1023;
        EXPECT_EQ(cch, len < 1023 ? static_cast<int>(len) : 1024) << len;
        EXPECT_EQ(wstr(out.data()), text.substr(0, written)) << len;
        EXPECT_EQ(out[written + 1], static_cast<WCHAR>(0x4242)) << len;
    }
}

// ------------------------------------------------- substitute-only machine

TEST_F(PlatformTest, LongModulePathsAreKeptWhole)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine reports where the test program really is";
#ifndef _WIN32
    wstr path = W("C:\\Program Files\\Dravonne\\");
    while (path.size() < 200)
        path += W("a very long folder name\\");
    path += W("qvrpatch.exe");
    qvrsim::setModulePath(qvrsim::wstr(path.begin(), path.end()));
    EXPECT_EQ(qvrtest::modulePath(), path);
    EXPECT_EQ(narrow(qvrtest::moduleBaseName()), "qvrpatch");
    std::vector<WCHAR> buffer(128);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer.data(), 128), 128u);
    EXPECT_EQ(wstr(buffer.data(), 128), path.substr(0, 128));
#endif
}

TEST_F(PlatformTest, InjectedFailuresHitTheNextCallOnce)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
#ifndef _WIN32
    HKEY hKey = nullptr;
    SetLastError(kUntouched);
    qvrsim::failNext("RegCreateKeyExW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SOFTWARE\\Dravonne\\F"), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &hKey, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetLastError(), kUntouched);  // registry calls only return theirs
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SOFTWARE\\Dravonne\\F"), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    DWORD value = 1, cb = sizeof value;
    qvrsim::failNext("RegSetValueExW", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(RegSetValueExW(hKey, QVR_T("V"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(RegQueryValueExW(hKey, QVR_T("V"), nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
    qvrsim::failNext("RegCloseKey", ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(hKey), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);

    qvrsim::failNext("CreateFileW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(CreateFileW(file("f.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(qvrtest::fileExists(file("f.txt")));
    HANDLE hFile = CreateFileW(file("f.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    qvrsim::failNext("WriteFile", 112);  // ERROR_DISK_FULL
    DWORD written = 9;
    EXPECT_FALSE(WriteFile(hFile, "ab", 2, &written, nullptr));
    EXPECT_EQ(GetLastError(), 112u);
    EXPECT_EQ(written, 0u);
    qvrsim::failNext("CloseHandle", ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(hFile));
    EXPECT_TRUE(CloseHandle(hFile));
    EXPECT_TRUE(qvrtest::readFile(file("f.txt")).empty());

    // A reset forgets failures not yet used.
    qvrsim::failNext("GetFileAttributesW", ERROR_ACCESS_DENIED);
    qvrtest::resetMachine();
    EXPECT_EQ(GetFileAttributesW(qvrtest::testFolder().c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
#endif
}

// Calls are counted in order, and the n-th one counted fails, once, with its
// function's error: the replay of a run for every n rests on both.
TEST_F(PlatformTest, TheNthCountedCallFails)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
#ifndef _WIN32
    const auto attributes = [&] { return GetFileAttributesW(qvrtest::testFolder().c_str()); };
    HKEY hKey = nullptr;
    const auto openKey = [&] { return RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SYSTEM"), 0, KEY_READ, &hKey); };
    qvrsim::resetCalls();
    qvrsim::failCall(4);
    EXPECT_EQ(attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(openKey(), ERROR_SUCCESS);
    RegCloseKey(hKey);
    SetLastError(0);
    EXPECT_EQ(attributes(), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(qvrsim::callsMade(), (std::vector<std::string>{"GetFileAttributesW", "RegOpenKeyExW", "RegCloseKey",
                                                             "GetFileAttributesW", "GetFileAttributesW"}));
    // Counting starts again, and an armed failure is dropped with it.
    qvrsim::failCall(1);
    qvrsim::resetCalls();
    EXPECT_EQ(openKey(), ERROR_SUCCESS);
    RegCloseKey(hKey);
    EXPECT_EQ(qvrsim::callsMade().size(), 2u);
    qvrsim::failCall(3);
    EXPECT_EQ(openKey(), static_cast<LONG>(ERROR_ACCESS_DENIED));
#endif
}

// A 32-bit Windows has one registry view; Wine here is always 64-bit.
TEST_F(PlatformTest, ThirtyTwoBitWindowsHasNoWow6432Node)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "the Wine prefix is a 64-bit Windows";
#ifndef _WIN32
    qvrsim::set64BitWindows(false);
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software\\Dravonne\\K"), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software\\Dravonne\\K"), 0, KEY_READ | KEY_WOW64_64KEY, &hKey),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
#endif
}

}  // namespace
