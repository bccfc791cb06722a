// Processes as the patch procedure uses them: listing their ids, opening
// them, reading the main module's path, terminating them and starting a
// program through the shell. The same cases run under Wine, on real
// processes of the build's fixture program, and on the substitute.
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const DWORD kUntouched = 77;  // a last error no call here sets
const DWORD kSentinel = 0xdeadbeef;
const WCHAR kFill = 0x4141;
const DWORD kStopAccess = PROCESS_TERMINATE | PROCESS_VM_READ | PROCESS_QUERY_INFORMATION;  // 0x0411
const DWORD kBadExeFormat = 193;
const DWORD kNoAssociation = 1155;
const DWORD kPartialCopy = 299;

class ProcessTest : public qvrtest::MachineTest {
protected:
    void TearDown() override
    {
        for (HANDLE h : m_handles)
            CloseHandle(h);
        MachineTest::TearDown();
    }
    HANDLE open(DWORD id, DWORD access = kStopAccess)
    {
        HANDLE h = OpenProcess(access, FALSE, id);
        EXPECT_NE(h, nullptr) << "process " << id << ", error " << GetLastError();
        if (h)
            m_handles.push_back(h);
        return h;
    }
    static std::vector<DWORD> allIds()
    {
        std::vector<DWORD> ids(4096);
        DWORD cb = 0;
        EXPECT_TRUE(EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &cb));
        ids.resize(cb / sizeof(DWORD));
        return ids;
    }
    static wstr moduleOf(HANDLE h)
    {
        WCHAR path[MAX_PATH];
        DWORD cch = GetModuleFileNameExW(h, nullptr, path, MAX_PATH);
        return wstr(path, cch);
    }
    static INT_PTR shellOpen(const wstr& path)
    {
        return reinterpret_cast<INT_PTR>(
            ShellExecuteW(nullptr, QVR_T("open"), path.c_str(), nullptr, nullptr, SW_SHOWDEFAULT));
    }
    static wstr file(const char* szName) { return qvrtest::testFolder() + W(szName); }

    std::vector<HANDLE> m_handles;
};

// The running program is listed and can read its own path, which is what
// GetModuleFileNameW says.
TEST_F(ProcessTest, TheRunningProgramIsListedWithItsPath)
{
    std::vector<DWORD> ids = allIds();
    EXPECT_NE(std::find(ids.begin(), ids.end(), GetCurrentProcessId()), ids.end());
    HANDLE h = open(GetCurrentProcessId());
    const wstr own = qvrtest::modulePath();
    SetLastError(kUntouched);
    EXPECT_EQ(narrow(moduleOf(h)), narrow(own));
    EXPECT_EQ(GetLastError(), kUntouched);
}

// Only whole ids are written and the byte count says how many: an array
// just filled gives its own size back, so the caller cannot tell whether
// more processes exist and must try a larger one.
TEST_F(ProcessTest, EnumerationFillsWhatFitsAndCountsIt)
{
    std::vector<DWORD> all = allIds();
    ASSERT_GE(all.size(), 2u);
    for (DWORD cb : {0u, 4u, 6u, 8u}) {
        DWORD ids[3] = {kSentinel, kSentinel, kSentinel};
        DWORD cbNeeded = kSentinel;
        SetLastError(kUntouched);
        EXPECT_TRUE(EnumProcesses(ids, cb, &cbNeeded)) << cb;
        EXPECT_EQ(cbNeeded, cb / 4 * 4) << cb;
        EXPECT_EQ(GetLastError(), kUntouched) << cb;
        // Under Wine other programs may come and go between two lists.
        for (DWORD i = 0; i < 3; ++i) {
            if (i >= cb / 4) {
                EXPECT_EQ(ids[i], kSentinel) << cb << "/" << i;
            } else if (qvrtest::onSubstitute()) {
                EXPECT_EQ(ids[i], all[i]) << cb << "/" << i;
            }
        }
    }
}

// The idle process and an id nobody runs are invalid parameters. Windows
// refuses System (4) to an administrator; Wine has no such process.
TEST_F(ProcessTest, OpeningProcessesByTheirIds)
{
    const DWORD kSystem = qvrtest::onSubstitute() ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER;
    const struct {
        DWORD id;
        DWORD ulError;  // kUntouched: opens
    } cases[] = {
        {0, ERROR_INVALID_PARAMETER},
        {4, kSystem},
        {0x7FFFFFF0, ERROR_INVALID_PARAMETER},
        {GetCurrentProcessId(), kUntouched},
    };
    for (const auto& c : cases) {
        SetLastError(kUntouched);
        HANDLE h = OpenProcess(kStopAccess, FALSE, c.id);
        EXPECT_EQ(h != nullptr, c.ulError == kUntouched) << c.id;
        EXPECT_EQ(GetLastError(), c.ulError) << c.id;
        if (h)
            CloseHandle(h);
    }
    EXPECT_EQ(qvrtest::openHandles(), 0u);
}

// A path that does not fit is cut to nSize - 1 characters and a terminator,
// and the answer is nSize; the last error stays as it was.
TEST_F(ProcessTest, ModulePathsCutToTheBuffer)
{
    HANDLE h = open(GetCurrentProcessId());
    const wstr path = qvrtest::modulePath();
    const DWORD cch = static_cast<DWORD>(path.size());
    const struct {
        DWORD nSize, result, cchWritten;  // cchWritten: characters before the terminator
    } cases[] = {{1, 1, 0}, {5, 5, 4}, {cch, cch, cch - 1}, {cch + 1, cch, cch}};
    for (const auto& c : cases) {
        std::vector<WCHAR> buffer(MAX_PATH + 2, kFill);
        SetLastError(kUntouched);
        EXPECT_EQ(GetModuleFileNameExW(h, nullptr, buffer.data(), c.nSize), c.result) << c.nSize;
        EXPECT_EQ(GetLastError(), kUntouched) << c.nSize;
        EXPECT_EQ(narrow(wstr(buffer.data())), narrow(path.substr(0, c.cchWritten))) << c.nSize;
        EXPECT_EQ(buffer[c.nSize], kFill) << c.nSize;
    }
    std::vector<WCHAR> buffer(4, kFill);
    EXPECT_EQ(GetModuleFileNameExW(h, nullptr, buffer.data(), 0), 0u);
    EXPECT_EQ(buffer[0], kFill);
}

// A handle without both read rights cannot read the path; a handle that is
// none is invalid.
TEST_F(ProcessTest, ModulePathsNeedReadRights)
{
    HANDLE hTerminateOnly = open(GetCurrentProcessId(), PROCESS_TERMINATE);
    WCHAR path[MAX_PATH];
    SetLastError(kUntouched);
    EXPECT_EQ(GetModuleFileNameExW(hTerminateOnly, nullptr, path, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(GetModuleFileNameExW(reinterpret_cast<HANDLE>(0x1234), nullptr, path, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// The patch procedure's round: the shell starts the product's program, the
// program is found by its path and terminated with exit code 0, and is gone
// from the list. After that its handle reads no path, and terminating it
// again fails on Windows with access denied (Wine says yes).
TEST_F(ProcessTest, AProgramStartedByTheShellIsFoundAndTerminated)
{
    const wstr program = file("keyminder.exe");
    ASSERT_TRUE(qvrtest::writeProgram(program));
    EXPECT_GT(shellOpen(program), 32);
    ASSERT_TRUE(qvrtest::awaitRunning(program, 1));
    DWORD id = qvrtest::runningFrom(program)[0];
    HANDLE h = open(id);
    EXPECT_EQ(narrow(moduleOf(h)), narrow(program));

    HANDLE hReadOnly = open(id, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
    SetLastError(kUntouched);
    EXPECT_FALSE(TerminateProcess(hReadOnly, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(TerminateProcess(reinterpret_cast<HANDLE>(0x1234), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    SetLastError(kUntouched);
    EXPECT_TRUE(TerminateProcess(h, 0));
    EXPECT_EQ(GetLastError(), kUntouched);
    EXPECT_TRUE(qvrtest::awaitRunning(program, 0));
    std::vector<DWORD> ids = allIds();
    EXPECT_EQ(std::find(ids.begin(), ids.end(), id), ids.end());
    WCHAR path[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameExW(h, nullptr, path, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    SetLastError(kUntouched);
    EXPECT_EQ(TerminateProcess(h, 0) != FALSE, !qvrtest::onSubstitute());
    EXPECT_EQ(GetLastError(), qvrtest::onSubstitute() ? DWORD(ERROR_ACCESS_DENIED) : kUntouched);
#ifndef _WIN32
    const qvrsim::Process* p = qvrsim::findProcess(id);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->bTerminated);
    EXPECT_EQ(p->exitCode, 0u);
    EXPECT_EQ(p->showCommand, SW_SHOWDEFAULT);
#endif
}

// Two instances (a 32-bit and a 64-bit one, say) are listed in the order
// they started, and each can be stopped.
TEST_F(ProcessTest, InstancesAreListedInTheOrderTheyStarted)
{
    const wstr first = file("first.exe"), second = file("second.exe");
    ASSERT_TRUE(qvrtest::writeProgram(first) && qvrtest::writeProgram(second));
    DWORD firstId = qvrtest::startProgram(first), secondId = qvrtest::startProgram(second);
    ASSERT_NE(firstId, 0u);
    ASSERT_NE(secondId, 0u);
    std::vector<DWORD> ids = allIds();
    auto firstAt = std::find(ids.begin(), ids.end(), firstId), secondAt = std::find(ids.begin(), ids.end(), secondId);
    ASSERT_NE(secondAt, ids.end());
    EXPECT_LT(firstAt, secondAt);
    EXPECT_TRUE(TerminateProcess(open(secondId), 0));
    EXPECT_TRUE(TerminateProcess(open(firstId), 0));
    EXPECT_TRUE(qvrtest::awaitRunning(first, 0) && qvrtest::awaitRunning(second, 0));
}

// What the shell answers when it cannot start anything: 2 for a missing
// file, whose last error tells a missing folder from a missing file; 11
// for an .exe that is no program; 31 for a file no program opens (whose
// last error Windows gives as ERROR_NO_ASSOCIATION; Wine as a bad format).
TEST_F(ProcessTest, TheShellReportsWhatItCannotStart)
{
    ASSERT_TRUE(CreateDirectoryW(file("product").c_str(), nullptr));
    HANDLE hFile =
        CreateFileW(file("product\\broken.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(hFile);
    hFile = CreateFileW(file("product\\notes.qvrx").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(hFile);
    const struct {
        const char* szName;
        INT_PTR result;
        DWORD ulError;
    } cases[] = {
        {"product\\keyminder.exe", 2, ERROR_FILE_NOT_FOUND},
        {"missing\\keyminder.exe", 2, ERROR_PATH_NOT_FOUND},
        {"product\\broken.exe", 11, kBadExeFormat},
        {"product\\notes.qvrx", 31, qvrtest::onSubstitute() ? kNoAssociation : kBadExeFormat},
    };
    for (const auto& c : cases) {
        SetLastError(kUntouched);
        EXPECT_EQ(shellOpen(file(c.szName)), c.result) << c.szName;
        EXPECT_EQ(GetLastError(), c.ulError) << c.szName;
        EXPECT_TRUE(qvrtest::runningFrom(file(c.szName)).empty()) << c.szName;
    }
}

// Machine facts Wine cannot vary: processes that refuse to be opened or
// terminated, a module path that cannot be read (a 64-bit process, read by
// a 32-bit program), and waits, which are recorded rather than slept.
TEST_F(ProcessTest, RefusingProcessesAndRecordedWaits)
{
#ifdef _WIN32
    GTEST_SKIP() << "Wine cannot make a process refuse calls";
#else
    DWORD closed = qvrsim::startProcess(u"C:\\product\\closed.exe");
    DWORD stubborn = qvrsim::startProcess(u"C:\\product\\stubborn.exe");
    DWORD wide = qvrsim::startProcess(u"C:\\product\\wide.exe");
    qvrsim::findProcess(closed)->openError = ERROR_ACCESS_DENIED;
    qvrsim::findProcess(stubborn)->terminateError = ERROR_ACCESS_DENIED;
    qvrsim::findProcess(wide)->pathError = kPartialCopy;
    EXPECT_EQ(OpenProcess(kStopAccess, FALSE, closed), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(TerminateProcess(open(stubborn), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(qvrsim::runningProcesses(u"c:\\PRODUCT\\stubborn.exe"), std::vector<DWORD>{stubborn});
    WCHAR path[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameExW(open(wide), nullptr, path, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), kPartialCopy);

    Sleep(5000);
    Sleep(250);
    EXPECT_EQ(qvrsim::sleptMilliseconds(), 5250u);
#endif
}

TEST_F(ProcessTest, ProcessCallsCanBeMadeToFail)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "Wine cannot be told to fail a call";
    const wstr program = file("keyminder.exe");
    ASSERT_TRUE(qvrtest::writeProgram(program));
    DWORD id = qvrtest::startProgram(program);
    HANDLE h = open(id);
    DWORD ids[8];
    DWORD cb = 0;
    WCHAR path[MAX_PATH];
    const std::pair<const char*, std::function<bool()>> calls[] = {
        {"EnumProcesses", [&] { return EnumProcesses(ids, sizeof ids, &cb) != FALSE; }},
        {"OpenProcess", [&] { return OpenProcess(kStopAccess, FALSE, id) != nullptr; }},
        {"GetModuleFileNameExW", [&] { return GetModuleFileNameExW(h, nullptr, path, MAX_PATH) != 0; }},
        {"TerminateProcess", [&] { return TerminateProcess(h, 0) != FALSE; }},
        {"ShellExecuteW", [&] { return shellOpen(program) > 32; }},
        {"GetCurrentDirectoryW", [&] { return GetCurrentDirectoryW(MAX_PATH, path) != 0; }},
    };
    for (const auto& call : calls) {
        SetLastError(kUntouched);
        ASSERT_TRUE(qvrtest::failNext(call.first, ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_FALSE(call.second()) << call.first;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << call.first;
    }
    EXPECT_EQ(qvrtest::runningFrom(program), std::vector<DWORD>{id});
}

}  // namespace
