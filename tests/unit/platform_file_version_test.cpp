// File versions as the patch procedure reads them: the size of the version
// resource, the resource itself and its fixed record through the root
// block "\". Under Wine the files are the build's fixture libraries (or
// copies of one with other numbers); on the substitute, small files around
// a version block.
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const DWORD kUntouched = 77;  // a last error no call here sets
const DWORD kSentinel = 0xdeadbeef;
const BYTE kFill = 0xCC;
const DWORD kSharingViolation = 32;
const DWORD kBadPathname = 161;
const DWORD kNoVersionResource = 1812;  // ERROR_RESOURCE_DATA_NOT_FOUND
const DWORD kNoSuchBlock = 1813;        // ERROR_RESOURCE_TYPE_NOT_FOUND
const size_t kFixedRecordAt = 40;       // after the block's header and key "VS_VERSION_INFO"

class FileVersionTest : public qvrtest::MachineTest {
protected:
    static wstr file(const char* szName) { return qvrtest::testFolder() + W(szName); }
    static void write(const wstr& path, const std::string& bytes)
    {
        HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(hFile, INVALID_HANDLE_VALUE) << narrow(path);
        DWORD written = 0;
        WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(hFile);
    }
    // The block's own length, its first word.
    static WORD blockLength(const std::vector<BYTE>& info) { return static_cast<WORD>(info[0] | (info[1] << 8)); }
};

// The size asked for is twice the block and four bytes (room Windows uses
// for converted texts); the resource fills the block, "FE2X" follows it and
// the rest is left alone. The root block's value is the fixed record, at
// offset 40. Success clears the last error; the handle is always 0.
TEST_F(FileVersionTest, VersionsOfLibrariesAndWrittenFiles)
{
    ASSERT_TRUE(qvrtest::writeVersionedFile(file("written.dll"), 0x00080014, 0x00170006));
    ASSERT_TRUE(qvrtest::writeVersionedFile(file("zero.dll"), 0, 0));
    struct Case {
        wstr path;
        DWORD ms, ls;
    };
    std::vector<Case> cases = {{file("written.dll"), 0x00080014, 0x00170006}, {file("zero.dll"), 0, 0}};
    if (!qvrtest::onSubstitute()) {
        cases.push_back({qvrtest::fixturePath("8.20.23.5\\library.dll"), 0x00080014, 0x00170005});
        cases.push_back({qvrtest::fixturePath("8.20.24.0\\library.dll"), 0x00080014, 0x00180000});
    }
    for (const Case& c : cases) {
        DWORD handle = kSentinel;
        SetLastError(kUntouched);
        DWORD cb = GetFileVersionInfoSizeW(c.path.c_str(), &handle);
        EXPECT_EQ(handle, 0u) << narrow(c.path);
        EXPECT_EQ(GetLastError(), 0u) << narrow(c.path);
        std::vector<BYTE> info(cb + 16, kFill);
        ASSERT_TRUE(GetFileVersionInfoW(c.path.c_str(), 0, cb, info.data())) << narrow(c.path);
        WORD wLength = blockLength(info);
        EXPECT_EQ(cb, wLength * 2u + 4) << narrow(c.path);
        EXPECT_EQ(std::memcmp(&info[wLength], "FE2X", 4), 0) << narrow(c.path);
        EXPECT_EQ(info[wLength + 4], kFill) << narrow(c.path);
        EXPECT_EQ(info[cb], kFill) << narrow(c.path);

        VS_FIXEDFILEINFO* pFixed = nullptr;
        UINT cbFixed = kSentinel;
        SetLastError(kUntouched);
        ASSERT_TRUE(VerQueryValueW(info.data(), QVR_T("\\"), reinterpret_cast<LPVOID*>(&pFixed), &cbFixed));
        EXPECT_EQ(GetLastError(), kUntouched);
        EXPECT_EQ(reinterpret_cast<BYTE*>(pFixed), &info[kFixedRecordAt]) << narrow(c.path);
        EXPECT_EQ(cbFixed, sizeof(VS_FIXEDFILEINFO)) << narrow(c.path);
        EXPECT_EQ(pFixed->dwSignature, 0xFEEF04BDu) << narrow(c.path);
        EXPECT_EQ(pFixed->dwFileVersionMS, c.ms) << narrow(c.path);
        EXPECT_EQ(pFixed->dwFileVersionLS, c.ls) << narrow(c.path);
    }
}

// A buffer smaller than the block still succeeds with what fits; "FE2X"
// only follows when all four of its bytes fit.
TEST_F(FileVersionTest, BuffersSmallerThanTheResource)
{
    const wstr path = file("written.dll");
    ASSERT_TRUE(qvrtest::writeVersionedFile(path, 1, 2));
    std::vector<BYTE> whole(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(whole.size()), whole.data()));
    const DWORD wLength = blockLength(whole);
    const struct {
        DWORD cb, cbFilled;
    } cases[] = {{0, 0},
                 {10, 10},
                 {wLength - 1, wLength - 1},
                 {wLength, wLength},
                 {wLength + 3, wLength},
                 {wLength + 4, wLength + 4}};
    for (const auto& c : cases) {
        std::vector<BYTE> info(whole.size() + 8, kFill);
        EXPECT_TRUE(GetFileVersionInfoW(path.c_str(), 0, c.cb, info.data())) << c.cb;
        EXPECT_EQ(std::memcmp(info.data(), whole.data(), c.cbFilled), 0) << c.cb;
        EXPECT_EQ(info[c.cbFilled], kFill) << c.cb;
    }
}

// Files without a version resource, and paths that name no readable file:
// the size is 0 with the reason, the handle still 0, and the resource
// cannot be read either (an empty path is a bad path name to the one, not
// found to the other).
TEST_F(FileVersionTest, FilesWithoutAVersion)
{
    write(file("text.dll"), "no version here");
    write(file("empty.dll"), "");
    write(file("held.dll"), "held");
    ASSERT_TRUE(CreateDirectoryW(file("folder.dll").c_str(), nullptr));
    // A library built without a version resource; on the substitute, the
    // first bytes of one.
    wstr plain = file("plain.dll");
    if (qvrtest::onSubstitute())
        write(plain, std::string("MZ\x90\0", 4) + std::string(200, '\0'));
    else
        plain = qvrtest::fixturePath("plain\\library.dll");
    HANDLE hHeld = CreateFileW(file("held.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const struct {
        wstr path;
        DWORD ulError, ulReadError;
    } cases[] = {
        {plain, kNoVersionResource, kNoVersionResource},
        {file("text.dll"), kNoVersionResource, kNoVersionResource},
        {file("empty.dll"), kNoVersionResource, kNoVersionResource},
        {file("missing.dll"), ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
        {file("missing\\library.dll"), ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND},
        {file("folder.dll"), ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {file("held.dll"), kSharingViolation, kSharingViolation},
        {W(""), kBadPathname, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        DWORD handle = kSentinel;
        SetLastError(kUntouched);
        EXPECT_EQ(GetFileVersionInfoSizeW(c.path.c_str(), &handle), 0u) << narrow(c.path);
        EXPECT_EQ(GetLastError(), c.ulError) << narrow(c.path);
        EXPECT_EQ(handle, 0u) << narrow(c.path);
        std::vector<BYTE> info(64, kFill);
        SetLastError(kUntouched);
        EXPECT_FALSE(GetFileVersionInfoW(c.path.c_str(), 0, 64, info.data())) << narrow(c.path);
        EXPECT_EQ(GetLastError(), c.ulReadError) << narrow(c.path);
        EXPECT_EQ(info[0], kFill) << narrow(c.path);
    }
    CloseHandle(hHeld);
}

// "\" and "" both name the root block. A block whose fixed record is empty
// still answers, with length 0 (the installer then has no version); a block
// that is not there answers length 0 and leaves the pointer alone.
TEST_F(FileVersionTest, QueryingBlocks)
{
    const wstr path = file("written.dll");
    ASSERT_TRUE(qvrtest::writeVersionedFile(path, 3, 4));
    std::vector<BYTE> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    std::vector<BYTE> empty(info);
    empty[2] = empty[3] = 0;  // the fixed record's length
    const struct {
        const std::vector<BYTE>* pInfo;
        const char* szBlock;
        bool bFound;
        UINT cbValue;
        DWORD ulError;
    } cases[] = {
        {&info, "\\", true, sizeof(VS_FIXEDFILEINFO), kUntouched},
        {&info, "", true, sizeof(VS_FIXEDFILEINFO), kUntouched},
        {&empty, "\\", true, 0, kUntouched},
        {&info, "\\QvrNoSuchBlock", false, 0, kNoSuchBlock},
    };
    for (const auto& c : cases) {
        LPVOID pValue = &pValue;
        UINT cbValue = kSentinel;
        SetLastError(kUntouched);
        EXPECT_EQ(VerQueryValueW(c.pInfo->data(), W(c.szBlock).c_str(), &pValue, &cbValue) != FALSE, c.bFound)
            << c.szBlock;
        EXPECT_EQ(cbValue, c.cbValue) << c.szBlock;
        EXPECT_EQ(GetLastError(), c.ulError) << c.szBlock;
        EXPECT_EQ(pValue, c.bFound ? static_cast<const void*>(&c.pInfo->at(kFixedRecordAt)) : &pValue) << c.szBlock;
    }
}

TEST_F(FileVersionTest, VersionCallsCanBeMadeToFail)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
    const wstr path = file("written.dll");
    ASSERT_TRUE(qvrtest::writeVersionedFile(path, 3, 4));
    std::vector<BYTE> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    LPVOID pValue = nullptr;
    UINT cbValue = 0;
    const std::pair<const char*, std::function<bool()>> calls[] = {
        {"GetFileVersionInfoSizeW", [&] { return GetFileVersionInfoSizeW(path.c_str(), nullptr) != 0; }},
        {"GetFileVersionInfoW",
         [&] { return GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) != FALSE; }},
        {"VerQueryValueW", [&] { return VerQueryValueW(info.data(), QVR_T("\\"), &pValue, &cbValue) != FALSE; }},
    };
    for (const auto& call : calls) {
        SetLastError(kUntouched);
        ASSERT_TRUE(qvrtest::failNext(call.first, ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_FALSE(call.second()) << call.first;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << call.first;
        EXPECT_TRUE(call.second()) << call.first;
    }
}

}  // namespace
