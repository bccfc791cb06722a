// The process token as the privilege classes use it: opening it, looking
// privileges up by name and enabling or disabling them. The same cases run
// under Wine and on the substitute; the fixture disables the privileges the
// tests enable again.
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::W;
using qvrtest::wstr;

namespace {

const DWORD kSentinel = 0xdeadbeef;
const DWORD kUntouched = 77;  // a last error no call here sets
const DWORD kNoAccess = 998;

class TokenTest : public qvrtest::MachineTest {
protected:
    void TearDown() override
    {
        for (HANDLE hToken : m_tokens)
            CloseHandle(hToken);
        MachineTest::TearDown();
    }
    HANDLE openToken(DWORD access = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY)
    {
        HANDLE hToken = nullptr;
        EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), access, &hToken));
        m_tokens.push_back(hToken);
        return hToken;
    }
    static LUID luid(const char* szName)
    {
        LUID id = {0, 0};
        EXPECT_TRUE(LookupPrivilegeValueW(nullptr, W(szName).c_str(), &id)) << szName;
        return id;
    }

    std::vector<HANDLE> m_tokens;
};

// Names are matched without regard to case; a name Windows does not know
// fails with ERROR_NO_SUCH_PRIVILEGE and leaves the LUID alone.
TEST_F(TokenTest, PrivilegeNamesGiveTheirLuids)
{
    const struct {
        const char* szName;
        DWORD luid;  // 0: unknown
    } cases[] = {
        {"SeBackupPrivilege", 17},     {"sebackupprivilege", 17},
        {"SeRestorePrivilege", 18},    {"SeShutdownPrivilege", 19},
        {"SeCreateTokenPrivilege", 2}, {"SeChangeNotifyPrivilege", 23},
        {"SeNoSuchPrivilege", 0},      {"", 0},
        {" SeBackupPrivilege", 0},
    };
    for (const auto& c : cases) {
        LUID id = {kSentinel, static_cast<LONG>(kSentinel)};
        SetLastError(kUntouched);
        EXPECT_EQ(LookupPrivilegeValueW(nullptr, W(c.szName).c_str(), &id), c.luid != 0) << c.szName;
        EXPECT_EQ(GetLastError(), c.luid ? kUntouched : static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE)) << c.szName;
        EXPECT_EQ(id.LowPart, c.luid ? c.luid : kSentinel) << c.szName;
        EXPECT_EQ(static_cast<DWORD>(id.HighPart), c.luid ? 0 : kSentinel) << c.szName;
    }
    LUID id;
    EXPECT_TRUE(LookupPrivilegeValueW(QVR_T(""), QVR_T("SeBackupPrivilege"), &id));
}

// The token of the own process opens with any access and closes once; only
// the own process's pseudo handle is known here.
TEST_F(TokenTest, ProcessTokenOpensAndCloses)
{
    EXPECT_EQ(GetCurrentProcess(), reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)));
    for (DWORD access : {DWORD(TOKEN_ADJUST_PRIVILEGES), DWORD(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY),
                         DWORD(TOKEN_ALL_ACCESS), DWORD(0)}) {
        HANDLE hToken = nullptr;
        size_t handles = qvrtest::openHandles();
        SetLastError(kUntouched);
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), access, &hToken)) << access;
        EXPECT_NE(hToken, nullptr);
        EXPECT_EQ(GetLastError(), kUntouched);
        if (qvrtest::onSubstitute()) {
            EXPECT_EQ(qvrtest::openHandles(), handles + 1);
        }
        EXPECT_TRUE(CloseHandle(hToken));
        EXPECT_EQ(GetLastError(), kUntouched);
        EXPECT_EQ(qvrtest::openHandles(), handles);
        EXPECT_FALSE(CloseHandle(hToken));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }

    HANDLE hToken = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(kSentinel));
    EXPECT_FALSE(OpenProcessToken(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234)), TOKEN_QUERY, &hToken));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(hToken, nullptr);
    EXPECT_FALSE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, nullptr));
    EXPECT_EQ(GetLastError(), kNoAccess);
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
}

// Success sets the last error: ERROR_NOT_ALL_ASSIGNED when a privilege the
// account does not hold was named (the others are still changed), else 0.
TEST_F(TokenTest, AdjustingReportsWhatWasAssigned)
{
    HANDLE hToken = openToken();
    const struct {
        std::vector<std::pair<const char*, DWORD>> entries;
        DWORD ulError;
        bool bBackup, bRestore;  // enabled afterwards
    } steps[] = {
        {{{"SeBackupPrivilege", SE_PRIVILEGE_ENABLED}}, ERROR_SUCCESS, true, false},
        {{{"SeCreateTokenPrivilege", SE_PRIVILEGE_ENABLED}}, ERROR_NOT_ALL_ASSIGNED, true, false},
        {{{"SeRestorePrivilege", SE_PRIVILEGE_ENABLED}, {"SeCreateTokenPrivilege", SE_PRIVILEGE_ENABLED}},
         ERROR_NOT_ALL_ASSIGNED,
         true,
         true},
        {{{"SeBackupPrivilege", 0}, {"SeRestorePrivilege", SE_PRIVILEGE_ENABLED}}, ERROR_SUCCESS, false, true},
        {{{"SeRestorePrivilege", 0}}, ERROR_SUCCESS, false, false},
        {{{"SeCreateTokenPrivilege", 0}}, ERROR_NOT_ALL_ASSIGNED, false, false},
    };
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        // The structure with room for two entries, as callers declare it.
        struct {
            DWORD PrivilegeCount;
            LUID_AND_ATTRIBUTES Privileges[2];
        } two = {static_cast<DWORD>(steps[i].entries.size()), {}};
        for (size_t k = 0; k < steps[i].entries.size(); ++k) {
            two.Privileges[k].Luid = luid(steps[i].entries[k].first);
            two.Privileges[k].Attributes = steps[i].entries[k].second;
        }
        SetLastError(kUntouched);
        EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&two), sizeof two, nullptr,
                                          nullptr))
            << "step " << i;
        EXPECT_EQ(GetLastError(), steps[i].ulError) << "step " << i;
        EXPECT_EQ(qvrtest::privilegeEnabled("SeBackupPrivilege"), steps[i].bBackup) << "step " << i;
        EXPECT_EQ(qvrtest::privilegeEnabled("SeRestorePrivilege"), steps[i].bRestore) << "step " << i;
    }
}

// Adjusting needs the adjust right, and the query right as well for the
// previous state; a handle that is none is refused.
TEST_F(TokenTest, AdjustingNeedsTheRightHandle)
{
    TOKEN_PRIVILEGES privileges = {1, {{luid("SeBackupPrivilege"), SE_PRIVILEGE_ENABLED}}};
    TOKEN_PRIVILEGES previous;
    DWORD cb = 0;
    HANDLE hQuery = openToken(TOKEN_QUERY), hAdjust = openToken(TOKEN_ADJUST_PRIVILEGES);
    // Closed last, so that no later handle takes its value.
    HANDLE hClosed = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hClosed));
    CloseHandle(hClosed);
    const struct {
        HANDLE hToken;
        bool bPrevious;
        DWORD ulError;
    } cases[] = {
        {hQuery, false, ERROR_ACCESS_DENIED},
        {hAdjust, true, ERROR_ACCESS_DENIED},
        {hClosed, false, ERROR_INVALID_HANDLE},
        {reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234)), false, ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        SetLastError(kUntouched);
        EXPECT_FALSE(AdjustTokenPrivileges(c.hToken, FALSE, &privileges, sizeof privileges,
                                           c.bPrevious ? &previous : nullptr, c.bPrevious ? &cb : nullptr));
        EXPECT_EQ(GetLastError(), c.ulError);
        EXPECT_FALSE(qvrtest::privilegeEnabled("SeBackupPrivilege"));
    }
}

// The previous state names the privileges the call changed, with their
// attributes before it. Windows leaves out those it did not change; Wine
// lists them too, so that case holds on the substitute only.
TEST_F(TokenTest, PreviousStateNamesWhatChanged)
{
    HANDLE hToken = openToken();
    TOKEN_PRIVILEGES enable = {1, {{luid("SeBackupPrivilege"), SE_PRIVILEGE_ENABLED}}};
    TOKEN_PRIVILEGES previous = {kSentinel, {{{kSentinel, 0}, kSentinel}}};
    DWORD cb = kSentinel;
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, sizeof enable, &previous, &cb));
    EXPECT_EQ(cb, 16u);
    ASSERT_EQ(previous.PrivilegeCount, 1u);
    EXPECT_EQ(previous.Privileges[0].Luid.LowPart, 17u);
    EXPECT_EQ(previous.Privileges[0].Attributes, 0u);

    if (qvrtest::onSubstitute()) {
        ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, sizeof enable, &previous, &cb));
        EXPECT_EQ(cb, 4u);
        EXPECT_EQ(previous.PrivilegeCount, 0u);
    }
    TOKEN_PRIVILEGES notHeld = {1, {{luid("SeCreateTokenPrivilege"), SE_PRIVILEGE_ENABLED}}};
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &notHeld, sizeof notHeld, &previous, &cb));
    EXPECT_EQ(cb, 4u);
    EXPECT_EQ(previous.PrivilegeCount, 0u);

    // Handing the previous state back undoes the call.
    TOKEN_PRIVILEGES disable = {1, {{luid("SeBackupPrivilege"), 0}}};
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &disable, sizeof disable, &previous, &cb));
    ASSERT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &previous, sizeof previous, nullptr, nullptr));
    EXPECT_TRUE(qvrtest::privilegeEnabled("SeBackupPrivilege"));
}

// What the account holds is a machine fact Wine cannot vary.
TEST_F(TokenTest, PrivilegesTheAccountDoesNotHoldStayDisabled)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "the Wine prefix's account holds the administrator's privileges";
#ifndef _WIN32
    EXPECT_FALSE(qvrsim::setPrivilegeHeld(W("SeNoSuchPrivilege"), true));
    ASSERT_TRUE(qvrsim::setPrivilegeHeld(W("SeBackupPrivilege"), false));
    HANDLE hToken = openToken();
    TOKEN_PRIVILEGES enable = {1, {{luid("SeBackupPrivilege"), SE_PRIVILEGE_ENABLED}}};
    EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, sizeof enable, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
    EXPECT_FALSE(qvrtest::privilegeEnabled("SeBackupPrivilege"));
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, QVR_T("SOFTWARE\\Dravonne\\Token"), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSaveKeyW(hKey, (qvrtest::testFolder() + W("t.hiv")).c_str(), nullptr), ERROR_PRIVILEGE_NOT_HELD);
    RegCloseKey(hKey);

    // Given back, it starts disabled and can then be enabled.
    ASSERT_TRUE(qvrsim::setPrivilegeHeld(W("SeBackupPrivilege"), true));
    EXPECT_FALSE(qvrtest::privilegeEnabled("SeBackupPrivilege"));
    EXPECT_TRUE(AdjustTokenPrivileges(hToken, FALSE, &enable, sizeof enable, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_TRUE(qvrtest::privilegeEnabled("SeBackupPrivilege"));
#endif
}

TEST_F(TokenTest, TokenCallsCanBeMadeToFail)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
    HANDLE hToken = openToken();
    TOKEN_PRIVILEGES enable = {1, {{luid("SeBackupPrivilege"), SE_PRIVILEGE_ENABLED}}};
    LUID id;
    HANDLE hOpened = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(kSentinel));
    const std::pair<const char*, std::function<bool()>> calls[] = {
        {"GetCurrentProcess", [] { return GetCurrentProcess() != nullptr; }},
        {"OpenProcessToken", [&] { return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hOpened) != FALSE; }},
        {"LookupPrivilegeValueW",
         [&] { return LookupPrivilegeValueW(nullptr, QVR_T("SeBackupPrivilege"), &id) != FALSE; }},
        {"AdjustTokenPrivileges",
         [&] { return AdjustTokenPrivileges(hToken, FALSE, &enable, sizeof enable, nullptr, nullptr) != FALSE; }},
        {"CloseHandle", [&] { return CloseHandle(hToken) != FALSE; }},
    };
    for (const auto& call : calls) {
        SetLastError(kUntouched);
        ASSERT_TRUE(qvrtest::failNext(call.first, ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_FALSE(call.second()) << call.first;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << call.first;
    }
    EXPECT_EQ(hOpened, nullptr);
    EXPECT_FALSE(qvrtest::privilegeEnabled("SeBackupPrivilege"));
}

}  // namespace
