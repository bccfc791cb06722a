// The registry calls behind the key and value classes: enumeration, key
// metrics, several values at once, access rights, volatile keys and hive
// files. The same cases run under Wine and on the substitute; where Wine is
// known to differ from Windows the case says so and holds the substitute to
// Windows.
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
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

const LONG kKeyDeleted = 1018;
const LONG kChildMustBeVolatile = 1021;
const LONG kBadDatabase = 1009;
const DWORD kSentinel = 0xdeadbeef;
const DWORD kUntouched = 77;  // a last error no call here sets

class RegistryCallTest : public qvrtest::MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SOFTWARE\\Dravonne\\RegistryCalls"), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &m_hKey, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override
    {
        for (HKEY hKey : m_opened)
            RegCloseKey(hKey);
        RegCloseKey(m_hKey);
        MachineTest::TearDown();
    }

    // A subkey of the test key, closed at the end of the test.
    HKEY create(const char* szPath, DWORD options = 0, REGSAM sam = KEY_ALL_ACCESS, HKEY hParent = nullptr)
    {
        HKEY hKey = nullptr;
        LONG rc = RegCreateKeyExW(hParent ? hParent : m_hKey, W(szPath).c_str(), 0, nullptr, options, sam, nullptr,
                                  &hKey, nullptr);
        EXPECT_EQ(rc, ERROR_SUCCESS) << szPath;
        if (rc == ERROR_SUCCESS)
            m_opened.push_back(hKey);
        return hKey;
    }
    LONG openRc(const char* szPath, REGSAM sam = KEY_READ)
    {
        HKEY hKey = nullptr;
        LONG rc = RegOpenKeyExW(m_hKey, W(szPath).c_str(), 0, sam, &hKey);
        if (rc == ERROR_SUCCESS)
            RegCloseKey(hKey);
        return rc;
    }
    static void set(HKEY hKey, const char* szName, DWORD type, const void* data, DWORD cb)
    {
        EXPECT_EQ(RegSetValueExW(hKey, W(szName).c_str(), 0, type, static_cast<const BYTE*>(data), cb), ERROR_SUCCESS)
            << szName;
    }
    static void setDword(HKEY hKey, const char* szName, DWORD value) { set(hKey, szName, REG_DWORD, &value, 4); }
    static void setText(HKEY hKey, const char* szName, const char* szText)
    {
        wstr text = W(szText);
        set(hKey, szName, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    }
    // The names of a key's subkeys or values, as enumerated.
    static std::vector<std::string> names(HKEY hKey, bool bSubKeys)
    {
        std::vector<std::string> found;
        WCHAR name[256];
        for (DWORD i = 0;; ++i) {
            DWORD cch = 256;
            LONG rc = bSubKeys ? RegEnumKeyExW(hKey, i, name, &cch, nullptr, nullptr, nullptr, nullptr)
                               : RegEnumValueW(hKey, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
            if (rc != ERROR_SUCCESS)
                return found;
            found.push_back(narrow(wstr(name, cch)));
        }
    }
    // A key's whole tree as text: names, types and bytes, as enumerated.
    static std::string dump(HKEY hKey)
    {
        std::string text;
        WCHAR name[256];
        BYTE data[256];
        for (DWORD i = 0;; ++i) {
            DWORD cch = 256, type = 0, cb = sizeof data;
            if (RegEnumValueW(hKey, i, name, &cch, nullptr, &type, data, &cb) != ERROR_SUCCESS)
                break;
            text += "value " + narrow(wstr(name, cch)) + " " + std::to_string(type) + ":";
            for (DWORD k = 0; k < cb; ++k)
                text += " " + std::to_string(data[k]);
            text += "\n";
        }
        for (const std::string& sub : names(hKey, true)) {
            HKEY hSub = nullptr;
            if (RegOpenKeyExW(hKey, W(sub.c_str()).c_str(), 0, KEY_READ, &hSub) != ERROR_SUCCESS)
                return text + "unreadable " + sub;
            text += "key " + sub + " {\n" + dump(hSub) + "}\n";
            RegCloseKey(hSub);
        }
        return text;
    }
    // Enables or disables a privilege of the process token; the fixture
    // disables them again at the end under Wine.
    static void setPrivilege(const char* szName, bool bEnable)
    {
        HANDLE hToken = nullptr;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken));
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = bEnable ? SE_PRIVILEGE_ENABLED : 0;
        EXPECT_TRUE(LookupPrivilegeValueW(nullptr, W(szName).c_str(), &privileges.Privileges[0].Luid));
        EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &privileges, sizeof privileges, nullptr, nullptr));
        CloseHandle(hToken);
    }
    wstr file(const char* szName) const { return qvrtest::testFolder() + W(szName); }

    HKEY m_hKey = nullptr;
    std::vector<HKEY> m_opened;
};

// --------------------------------------------------------------- enumeration

// Windows promises no order; Wine gives keys and values in the order of
// their lower-case names (so "[" and "_" come before letters), the default
// value first, each name as it was written.
TEST_F(RegistryCallTest, KeysAndValuesComeInLowerCaseNameOrder)
{
    const char* created[] = {"beta", "Alpha", "gamma", "ALPHA2", "_x", "a", "[", "Z", "\xC3\x89z", "\xC3\xA9t\xC3\xA9"};
    const std::vector<std::string> sorted = {
        "[", "_x", "a", "Alpha", "ALPHA2", "beta", "gamma", "Z", "\xC3\xA9t\xC3\xA9", "\xC3\x89z"};
    for (const char* szName : created) {
        create(szName);
        setDword(m_hKey, szName, 1);
    }
    setText(m_hKey, "", "default");
    EXPECT_EQ(names(m_hKey, true), sorted);
    std::vector<std::string> values = {""};
    values.insert(values.end(), sorted.begin(), sorted.end());
    EXPECT_EQ(names(m_hKey, false), values);
    // Names match without regard to case beyond ASCII too.
    EXPECT_EQ(openRc("\xC3\xA9Z"), ERROR_SUCCESS);
    DWORD cb = 0;
    EXPECT_EQ(RegQueryValueExW(m_hKey, W("\xC3\x89T\xC3\x89").c_str(), nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);
}

// A name buffer counts characters with the terminator; one too small gets
// nothing and keeps its size. Past the last key nothing is touched.
TEST_F(RegistryCallTest, EnumeratingKeysIntoNameBuffers)
{
    create("Alpha");
    const struct {
        DWORD cchIn;
        LONG rc;
        DWORD cchOut;
    } cases[] = {{0, ERROR_MORE_DATA, 0}, {5, ERROR_MORE_DATA, 5}, {6, ERROR_SUCCESS, 5}, {64, ERROR_SUCCESS, 5}};
    for (const auto& c : cases) {
        std::vector<WCHAR> name(64, static_cast<WCHAR>(0x4141));
        DWORD cch = c.cchIn;
        EXPECT_EQ(RegEnumKeyExW(m_hKey, 0, name.data(), &cch, nullptr, nullptr, nullptr, nullptr), c.rc) << c.cchIn;
        EXPECT_EQ(cch, c.cchOut) << c.cchIn;
        const wstr written = W("Alpha") + wstr(1, 0);
        EXPECT_EQ(wstr(name.data(), 6), c.rc ? wstr(6, static_cast<WCHAR>(0x4141)) : written) << c.cchIn;
    }

    WCHAR name[64];
    DWORD cch = kSentinel;
    EXPECT_EQ(RegEnumKeyExW(m_hKey, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(cch, kSentinel);
}

// As Wine answers: a name buffer too small still gets the type and the data
// size, never the name or data; a data buffer too small gets the name, the
// type and the size needed, never the data.
TEST_F(RegistryCallTest, EnumeratingValuesIntoNameAndDataBuffers)
{
    const BYTE bin[] = {1, 2, 3};
    set(m_hKey, "Bin", REG_BINARY, bin, 3);
    setText(m_hKey, "Text", "hello");
    const struct {
        DWORD index, cchName, cbData;  // cbData 0: no data buffer
        LONG rc;
        DWORD cchOut, type, cbOut;
        bool bNameWritten, bDataWritten;
    } cases[] = {
        {0, 3, 0, ERROR_MORE_DATA, 3, REG_BINARY, 3, false, false},
        {0, 4, 2, ERROR_MORE_DATA, 3, REG_BINARY, 3, true, false},
        {0, 4, 3, ERROR_SUCCESS, 3, REG_BINARY, 3, true, true},
        {1, 2, 16, ERROR_MORE_DATA, 2, REG_SZ, 12, false, false},
        {1, 5, 11, ERROR_MORE_DATA, 4, REG_SZ, 12, true, false},
        {1, 5, 12, ERROR_SUCCESS, 4, REG_SZ, 12, true, true},
    };
    for (const auto& c : cases) {
        std::vector<WCHAR> name(16, static_cast<WCHAR>(0x4141));
        std::vector<BYTE> data(16, 0x42);
        DWORD cch = c.cchName, type = kSentinel, cb = c.cbData;
        EXPECT_EQ(
            RegEnumValueW(m_hKey, c.index, name.data(), &cch, nullptr, &type, c.cbData ? data.data() : nullptr, &cb),
            c.rc)
            << c.index << "/" << c.cchName << "/" << c.cbData;
        EXPECT_EQ(cch, c.cchOut) << c.index << "/" << c.cchName;
        EXPECT_EQ(type, c.type) << c.index;
        EXPECT_EQ(cb, c.cbOut) << c.index << "/" << c.cbData;
        EXPECT_EQ(name[0] != 0x4141, c.bNameWritten) << c.index << "/" << c.cchName;
        EXPECT_EQ(data[0] != 0x42, c.bDataWritten) << c.index << "/" << c.cbData;
    }

    WCHAR name[16];
    DWORD cch = kSentinel, type = kSentinel, cb = kSentinel;
    EXPECT_EQ(RegEnumValueW(m_hKey, 2, name, &cch, nullptr, &type, nullptr, &cb), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(cch, kSentinel);
    EXPECT_EQ(type, kSentinel);
    EXPECT_EQ(cb, kSentinel);
}

// ------------------------------------------------------------- key metrics

// Counts and sizes are those of what the key holds now (not the largest it
// ever held): names in characters without the terminator, data in bytes.
TEST_F(RegistryCallTest, KeyMetricsMeasureWhatTheKeyHoldsNow)
{
    HKEY hKey = create("Metrics");
    const wstr longText = W("abcdefghij");
    const std::function<void()> steps[] = {
        [] {},
        [&] { set(hKey, "", REG_BINARY, "", 0); },
        [&] {
            create("averyverylongname", 0, KEY_ALL_ACCESS, hKey);
            set(hKey, "x", REG_SZ, longText.c_str(), 22);
        },
        [&] { setText(hKey, "x", "ab"); },
        [&] {
            RegDeleteKeyW(hKey, QVR_T("averyverylongname"));
            RegDeleteValueW(hKey, QVR_T("x"));
        },
    };
    const DWORD expected[][5] = {
        {0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {1, 17, 2, 1, 22}, {1, 17, 2, 1, 6}, {0, 0, 1, 0, 0}};
    for (size_t i = 0; i < 5; ++i) {
        steps[i]();
        DWORD got[5] = {kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
        DWORD cchMaxClass = kSentinel;
        ASSERT_EQ(RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &got[0], &got[1], &cchMaxClass, &got[2], &got[3],
                                   &got[4], nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(std::vector<DWORD>(got, got + 5), std::vector<DWORD>(expected[i], expected[i] + 5)) << "step " << i;
        EXPECT_EQ(cchMaxClass, 0u);
    }

    // Every item is optional; the class is empty.
    EXPECT_EQ(RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    WCHAR cls[8] = {0x4141};
    DWORD cchClass = 8;
    FILETIME written = {0, 0};
    ASSERT_EQ(RegQueryInfoKeyW(hKey, cls, &cchClass, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(cchClass, 0u);
    EXPECT_EQ(cls[0], static_cast<WCHAR>(0));
    EXPECT_NE(written.dwHighDateTime, 0u);
}

// ------------------------------------------------------ several values at once

// As Wine answers: the data lie one after the other without gaps; every
// entry gets its size, the entries whose data fit get type, pointer and
// data; the answer is ERROR_MORE_DATA with the whole size until all fit.
TEST_F(RegistryCallTest, MultipleValuesFillWhatFits)
{
    setText(m_hKey, "Text", "hello");
    setDword(m_hKey, "Alpha", 0x11223344);
    const BYTE bin[] = {1, 2, 3};
    set(m_hKey, "Bin", REG_BINARY, bin, 3);
    const wstr names[] = {W("Text"), W("alpha"), W("Bin")};
    const DWORD lengths[] = {12, 4, 3}, types[] = {REG_SZ, REG_DWORD, REG_BINARY}, offsets[] = {0, 12, 16};
    const struct {
        DWORD cbBuffer;
        bool bBuffer;
        LONG rc;
        size_t filled;
    } cases[] = {{0, true, ERROR_MORE_DATA, 0},  {12, true, ERROR_MORE_DATA, 1}, {15, true, ERROR_MORE_DATA, 1},
                 {16, true, ERROR_MORE_DATA, 2}, {18, true, ERROR_MORE_DATA, 2}, {19, true, ERROR_SUCCESS, 3},
                 {64, true, ERROR_SUCCESS, 3},   {64, false, ERROR_MORE_DATA, 0}};
    for (const auto& c : cases) {
        VALENTW entries[3];
        for (size_t i = 0; i < 3; ++i) {
            entries[i].ve_valuename = const_cast<WCHAR*>(names[i].c_str());
            entries[i].ve_valuelen = entries[i].ve_type = kSentinel;
            entries[i].ve_valueptr = kSentinel;
        }
        std::vector<BYTE> buffer(64, 0x42);
        DWORD cb = c.cbBuffer;
        EXPECT_EQ(RegQueryMultipleValuesW(m_hKey, entries, 3,
                                          c.bBuffer ? reinterpret_cast<WCHAR*>(buffer.data()) : nullptr, &cb),
                  c.rc)
            << c.cbBuffer;
        EXPECT_EQ(cb, 19u) << c.cbBuffer;
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(entries[i].ve_valuelen, lengths[i]) << c.cbBuffer << "/" << i;
            bool bFilled = i < c.filled;
            EXPECT_EQ(entries[i].ve_type, bFilled ? types[i] : kSentinel) << c.cbBuffer << "/" << i;
            EXPECT_EQ(entries[i].ve_valueptr,
                      bFilled ? reinterpret_cast<DWORD_PTR>(buffer.data() + offsets[i]) : DWORD_PTR(kSentinel))
                << c.cbBuffer << "/" << i;
        }
        if (c.filled == 3) {
            EXPECT_EQ(std::memcmp(buffer.data() + 12, "\x44\x33\x22\x11\x01\x02\x03\x42", 8), 0);
        }
    }

    // A missing value ends the call with its error and the size so far.
    VALENTW entries[3] = {};
    const wstr missing = W("Missing");
    entries[0].ve_valuename = const_cast<WCHAR*>(names[0].c_str());
    entries[1].ve_valuename = const_cast<WCHAR*>(missing.c_str());
    entries[2].ve_valuename = const_cast<WCHAR*>(names[2].c_str());
    entries[1].ve_valuelen = entries[2].ve_valuelen = kSentinel;
    BYTE buffer[64];
    DWORD cb = sizeof buffer;
    EXPECT_EQ(RegQueryMultipleValuesW(m_hKey, entries, 3, reinterpret_cast<WCHAR*>(buffer), &cb), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(cb, 12u);
    EXPECT_EQ(entries[1].ve_valuelen, 0u);
    EXPECT_EQ(entries[2].ve_valuelen, kSentinel);
    cb = sizeof buffer;
    EXPECT_EQ(RegQueryMultipleValuesW(m_hKey, entries, 0, reinterpret_cast<WCHAR*>(buffer), &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 0u);
}

// ----------------------------------------------------------- access rights

// What a handle may do follows the rights it was opened with, whatever the
// view flags; creating below it asks nothing of it. Windows also asks the
// query right for the key metrics, which Wine answers without.
TEST_F(RegistryCallTest, HandlesDoWhatTheirAccessAllows)
{
    create("Sub\\Child");
    HKEY hSub = create("Sub");
    setDword(hSub, "Value", 1);
    const LONG kDenied = ERROR_ACCESS_DENIED, kOk = ERROR_SUCCESS;
    const LONG kMetricsWithoutQuery = qvrtest::onSubstitute() ? kDenied : kOk;
    const struct {
        REGSAM sam;
        LONG query, set, enumKey, enumValue, multiple, metrics;
    } cases[] = {
        {KEY_READ, kOk, kDenied, kOk, kOk, kOk, kOk},
        {KEY_WRITE, kDenied, kOk, kDenied, kDenied, kDenied, kMetricsWithoutQuery},
        {KEY_READ | KEY_WRITE, kOk, kOk, kOk, kOk, kOk, kOk},
        {KEY_ALL_ACCESS, kOk, kOk, kOk, kOk, kOk, kOk},
    };
    for (const auto& c : cases) {
        for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
            HKEY hKey = nullptr;
            ASSERT_EQ(RegOpenKeyExW(m_hKey, QVR_T("Sub"), 0, c.sam | view, &hKey), ERROR_SUCCESS);
            DWORD value = 0, cb = 4, count = 0;
            WCHAR name[16];
            DWORD cch = 16;
            EXPECT_EQ(RegQueryValueExW(hKey, QVR_T("Value"), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &cb),
                      c.query)
                << std::hex << (c.sam | view);
            EXPECT_EQ(RegSetValueExW(hKey, QVR_T("Value"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4), c.set)
                << std::hex << (c.sam | view);
            EXPECT_EQ(RegEnumKeyExW(hKey, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), c.enumKey)
                << std::hex << (c.sam | view);
            cch = 16;
            EXPECT_EQ(RegEnumValueW(hKey, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), c.enumValue)
                << std::hex << (c.sam | view);
            VALENTW entry = {};
            entry.ve_valuename = const_cast<WCHAR*>(QVR_T("Value"));
            BYTE data[8];
            cb = sizeof data;
            EXPECT_EQ(RegQueryMultipleValuesW(hKey, &entry, 1, reinterpret_cast<WCHAR*>(data), &cb), c.multiple)
                << std::hex << (c.sam | view);
            EXPECT_EQ(RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr),
                      c.metrics)
                << std::hex << (c.sam | view);
            HKEY hChild = nullptr;
            EXPECT_EQ(RegCreateKeyExW(hKey, QVR_T("Child"), 0, nullptr, 0, KEY_READ, nullptr, &hChild, nullptr), kOk);
            RegCloseKey(hChild);
            RegCloseKey(hKey);
        }
    }
}

TEST_F(RegistryCallTest, HandlesOnDeletedKeysRefuseEnumerationAndQueries)
{
    HKEY hGone = create("Gone");
    ASSERT_EQ(RegDeleteKeyW(m_hKey, QVR_T("Gone")), ERROR_SUCCESS);
    WCHAR name[16];
    DWORD cch = 16, count = kSentinel, cb = 8;
    EXPECT_EQ(RegEnumKeyExW(hGone, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), kKeyDeleted);
    EXPECT_EQ(RegEnumValueW(hGone, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), kKeyDeleted);
    EXPECT_EQ(RegQueryInfoKeyW(hGone, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              kKeyDeleted);
    EXPECT_EQ(count, kSentinel);
    VALENTW entry = {};
    BYTE data[8];
    EXPECT_EQ(RegQueryMultipleValuesW(hGone, &entry, 1, reinterpret_cast<WCHAR*>(data), &cb), kKeyDeleted);
}

// ------------------------------------------------------------ volatile keys

// A volatile key takes only volatile subkeys, and nothing is made below it
// for a non-volatile one; the keys a path makes on the way get the options
// of the call; an existing key opens whatever the options.
TEST_F(RegistryCallTest, VolatileKeysTakeOnlyVolatileSubkeys)
{
    const struct {
        const char* szPath;
        DWORD options;
        LONG rc;
        DWORD disposition;  // on success (Wine may set one on failure too)
    } steps[] = {
        {"Vol", REG_OPTION_VOLATILE, ERROR_SUCCESS, REG_CREATED_NEW_KEY},
        {"Vol\\Stable", 0, kChildMustBeVolatile, 0},
        {"Vol\\Deep\\Er", 0, kChildMustBeVolatile, 0},
        {"Vol\\Fleeting", REG_OPTION_VOLATILE, ERROR_SUCCESS, REG_CREATED_NEW_KEY},
        {"Vol", 0, ERROR_SUCCESS, REG_OPENED_EXISTING_KEY},
        {"Vol\\Fleeting", 0, ERROR_SUCCESS, REG_OPENED_EXISTING_KEY},
        {"Made\\OnTheWay", REG_OPTION_VOLATILE, ERROR_SUCCESS, REG_CREATED_NEW_KEY},
        {"Made\\Stable", 0, kChildMustBeVolatile, 0},
        {"Stable", 0, ERROR_SUCCESS, REG_CREATED_NEW_KEY},
        {"Stable\\Fleeting", REG_OPTION_VOLATILE, ERROR_SUCCESS, REG_CREATED_NEW_KEY},
        {"Stable\\Other", 0, ERROR_SUCCESS, REG_CREATED_NEW_KEY},
    };
    for (const auto& step : steps) {
        HKEY hKey = nullptr;
        DWORD disposition = 0;
        EXPECT_EQ(RegCreateKeyExW(m_hKey, W(step.szPath).c_str(), 0, nullptr, step.options, KEY_ALL_ACCESS, nullptr,
                                  &hKey, &disposition),
                  step.rc)
            << step.szPath;
        if (step.rc == ERROR_SUCCESS) {
            EXPECT_EQ(disposition, step.disposition) << step.szPath;
            RegCloseKey(hKey);
        } else {
            EXPECT_EQ(openRc(step.szPath), ERROR_FILE_NOT_FOUND) << step.szPath;
        }
    }
    EXPECT_EQ(openRc("Vol\\Deep"), ERROR_FILE_NOT_FOUND);
}

// Wine cannot restart; the substitute's restart is the machine booting again.
TEST_F(RegistryCallTest, RestartKeepsFilesAndNonVolatileKeysOnly)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "a Wine test program cannot restart its machine";
#ifndef _WIN32
    setDword(create("Stable"), "Kept", 1);
    create("Stable\\Fleeting", REG_OPTION_VOLATILE);
    // Made on the way to a volatile key, Wow6432Node is still the system's own.
    HKEY hFleeting = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software\\Dravonne\\Fleeting"), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &hFleeting, nullptr),
              ERROR_SUCCESS);
    create("Vol", REG_OPTION_VOLATILE);
    HANDLE hFile = CreateFileW(file("kept.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    setPrivilege("SeBackupPrivilege", true);
    ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRTEST_RESTART"), QVR_T("1")));
    SetLastError(kUntouched);

    qvrsim::restart();
    m_opened.clear();
    m_hKey = nullptr;
    EXPECT_EQ(qvrtest::openHandles(), 0u);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_FALSE(qvrtest::privilegeEnabled("SeBackupPrivilege"));
    EXPECT_EQ(GetEnvironmentVariableW(QVR_T("QVRTEST_RESTART"), nullptr, 0), 0u);
    EXPECT_TRUE(qvrtest::fileExists(file("kept.txt")));
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SOFTWARE\\Dravonne\\RegistryCalls"), 0,
                            KEY_ALL_ACCESS | KEY_WOW64_64KEY, &m_hKey),
              ERROR_SUCCESS);
    EXPECT_EQ(names(m_hKey, true), std::vector<std::string>{"Stable"});
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software\\Dravonne\\Fleeting"), 0, KEY_READ | KEY_WOW64_32KEY,
                            &hFleeting),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, QVR_T("Software\\Wow6432Node"), 0, KEY_READ | KEY_WOW64_64KEY, &hFleeting),
        ERROR_SUCCESS);
    RegCloseKey(hFleeting);
    HKEY hStable = create("Stable");
    EXPECT_EQ(names(hStable, true), std::vector<std::string>{});
    EXPECT_EQ(names(hStable, false), std::vector<std::string>{"Kept"});
#endif
}

// --------------------------------------------------------------- hive files

// Saving needs the backup privilege enabled, restoring the restore
// privilege, as on Windows. Wine 8 also overwrites an existing file, where
// Windows refuses with ERROR_ALREADY_EXISTS, leaves an empty file behind
// when it refuses, and answers every restore with 0.
TEST_F(RegistryCallTest, HiveFilesNeedTheirPrivileges)
{
    setDword(m_hKey, "Value", 7);
    const wstr hive = file("key.hiv");
    EXPECT_EQ(RegSaveKeyW(m_hKey, hive.c_str(), nullptr), ERROR_PRIVILEGE_NOT_HELD);
    if (qvrtest::onSubstitute()) {
        EXPECT_FALSE(qvrtest::fileExists(hive));
    }
    DeleteFileW(hive.c_str());

    setPrivilege("SeBackupPrivilege", true);
    const struct {
        wstr path;
        LONG rc;
    } saves[] = {
        {hive, ERROR_SUCCESS},
        {hive, qvrtest::onSubstitute() ? LONG(ERROR_ALREADY_EXISTS) : LONG(ERROR_SUCCESS)},
        {file("missing\\key.hiv"), ERROR_PATH_NOT_FOUND},
        {W(""), ERROR_INVALID_PARAMETER},
    };
    for (const auto& save : saves)
        EXPECT_EQ(RegSaveKeyW(m_hKey, save.path.c_str(), nullptr), save.rc) << narrow(save.path);
    EXPECT_TRUE(qvrtest::fileExists(hive));
    EXPECT_EQ(RegSaveKeyW(reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234)), file("other.hiv").c_str(), nullptr),
              ERROR_INVALID_HANDLE);
    setPrivilege("SeBackupPrivilege", false);
    EXPECT_EQ(RegSaveKeyW(m_hKey, file("other.hiv").c_str(), nullptr), ERROR_PRIVILEGE_NOT_HELD);

    EXPECT_EQ(RegRestoreKeyW(m_hKey, hive.c_str(), 0), qvrtest::onSubstitute() ? LONG(ERROR_PRIVILEGE_NOT_HELD) : 0);
}

// Only the substitute restores (Wine 8 answers 0 and restores nothing).
TEST_F(RegistryCallTest, SavedHiveRestoresKeysValuesTypesAndBytes)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine 8 does not restore hive files";
    HKEY hTree = create("Tree");
    setText(hTree, "", "default");
    setDword(create("Sub\\Deeper", 0, KEY_ALL_ACCESS, hTree), "Deep", 9);
    const BYTE bytes[] = {0, 255, 7};
    set(hTree, "Bin", REG_BINARY, bytes, 3);
    set(hTree, "Empty", REG_BINARY, "", 0);
    set(hTree, "Cut", REG_SZ, "a\0b\0", 4);  // no terminator, kept so
    set(hTree, "Multi", REG_MULTI_SZ, "a\0\0\0", 4);
    set(hTree, "\xC3\x89t\xC3\xA9", REG_EXPAND_SZ, "%\0x\0%\0\0\0", 8);
    set(hTree, "Odd", 0x1234, "z", 1);
    create("Fleeting", REG_OPTION_VOLATILE, KEY_ALL_ACCESS, hTree);
    const std::string before = dump(hTree);
    setPrivilege("SeBackupPrivilege", true);
    setPrivilege("SeRestorePrivilege", true);
    ASSERT_EQ(RegSaveKeyW(hTree, file("tree.hiv").c_str(), nullptr), ERROR_SUCCESS);

    // Another key's content is replaced whole; a handle below it stops the
    // restore unless it is forced, and then finds its key deleted.
    HKEY hCopy = create("Copy");
    setDword(hCopy, "Extra", 1);
    HKEY hBelow = create("Other", 0, KEY_ALL_ACCESS, hCopy);
    EXPECT_EQ(RegRestoreKeyW(hCopy, file("tree.hiv").c_str(), 0), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegRestoreKeyW(hCopy, file("tree.hiv").c_str(), REG_FORCE_RESTORE), ERROR_SUCCESS);
    std::string expected = before;
    const std::string fleeting = "key Fleeting {\n}\n";  // volatile keys are not saved
    ASSERT_NE(expected.find(fleeting), std::string::npos);
    expected.erase(expected.find(fleeting), fleeting.size());
    EXPECT_EQ(dump(hCopy), expected);
    EXPECT_EQ(RegSetValueExW(hBelow, QVR_T("V"), 0, REG_BINARY, bytes, 1), kKeyDeleted);

    // What is not a hive of the substitute's is refused and changes nothing.
    std::vector<uint8_t> saved = qvrtest::readFile(file("tree.hiv"));
    const struct {
        const char* szName;
        size_t cbKept;
    } bad[] = {{"cut.hiv", saved.size() - 1}, {"magic.hiv", 4}, {"empty.hiv", 0}};
    for (const auto& b : bad) {
        HANDLE hFile = CreateFileW(file(b.szName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(hFile, saved.data(), static_cast<DWORD>(b.cbKept), &written, nullptr);
        CloseHandle(hFile);
        EXPECT_EQ(RegRestoreKeyW(hCopy, file(b.szName).c_str(), REG_FORCE_RESTORE), kBadDatabase) << b.szName;
    }
    EXPECT_EQ(RegRestoreKeyW(hCopy, file("none.hiv").c_str(), REG_FORCE_RESTORE), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(dump(hCopy), expected);
}

TEST_F(RegistryCallTest, RegistryCallsCanBeMadeToFail)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
    setPrivilege("SeBackupPrivilege", true);
    setPrivilege("SeRestorePrivilege", true);
    WCHAR name[16];
    DWORD cch = 16, cb = 0;
    VALENTW entry = {};
    const std::pair<const char*, std::function<LONG()>> calls[] = {
        {"RegEnumKeyExW", [&] { return RegEnumKeyExW(m_hKey, 0, name, &cch, nullptr, nullptr, nullptr, nullptr); }},
        {"RegEnumValueW", [&] { return RegEnumValueW(m_hKey, 0, name, &cch, nullptr, nullptr, nullptr, nullptr); }},
        {"RegQueryInfoKeyW",
         [&] {
             return RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, &cb, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
         }},
        {"RegQueryMultipleValuesW", [&] { return RegQueryMultipleValuesW(m_hKey, &entry, 0, nullptr, &cb); }},
        {"RegSaveKeyW", [&] { return RegSaveKeyW(m_hKey, file("f.hiv").c_str(), nullptr); }},
        {"RegRestoreKeyW", [&] { return RegRestoreKeyW(m_hKey, file("f.hiv").c_str(), 0); }},
    };
    for (const auto& call : calls) {
        SetLastError(kUntouched);
        ASSERT_TRUE(qvrtest::failNext(call.first, ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_EQ(call.second(), ERROR_NOT_ENOUGH_MEMORY) << call.first;
        EXPECT_EQ(GetLastError(), kUntouched) << call.first;
    }
    EXPECT_FALSE(qvrtest::fileExists(file("f.hiv")));
}

}  // namespace
