// Machine set-up for tests, the same calls on both platforms: under Wine they
// touch the real (throwaway) prefix, on POSIX the substitute's model.
#ifndef QVR_TEST_MACHINE_H
#define QVR_TEST_MACHINE_H

#include "qvr_platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qvrtest {

typedef std::basic_string<WCHAR> wstr;

// Text as the platform's wide strings, from ASCII/UTF-8 test literals.
wstr W(const char* szUtf8);
std::string narrow(const wstr& text);  // UTF-8

// Back to a clean machine: the Dravonne keys removed from HKEY_LOCAL_MACHINE
// (both views), the test folder emptied, the last error 0, the logging
// configuration's dynamic state forgotten. Under Wine the backup, restore
// and shutdown privileges are disabled again and the environment variables
// whose names start with "QVR" removed, the programs running from the test
// folder ended and the current directory restored; on the substitute the
// whole machine model starts afresh.
void resetMachine();

// A folder for the test's files, as a Windows path ending in a backslash
// (for example C:\qvrtest\).
wstr testFolder();

// Registry set-up through the library's own view rule (a 64-bit build writes
// the 32-bit view, as the library reads it).
void setDword(HKEY root, const wstr& keyPath, const wstr& valueName, uint32_t value);
void setString(HKEY root, const wstr& keyPath, const wstr& valueName, const wstr& value);
void setBinary(HKEY root, const wstr& keyPath, const wstr& valueName, const std::vector<uint8_t>& data);
// Any type, with the byte count given as it stands (a string may be given
// without its terminator).
void setValueBytes(HKEY root, const wstr& keyPath, const wstr& valueName, DWORD type, const void* data, size_t cb);
void deleteKeyTree(HKEY root, const wstr& keyPath);
// A value's type and bytes as the platform reads them (the library's view
// unless one is given); the platform's answer.
LONG readValue(HKEY root, const wstr& keyPath, const wstr& valueName, DWORD& type, std::vector<uint8_t>& bytes,
               REGSAM view = 0);
// Whether the key can be opened (the library's view unless one is given).
bool keyExists(HKEY root, const wstr& keyPath, REGSAM view = 0);

// The logging configuration key, HKEY_LOCAL_MACHINE "SOFTWARE\Dravonne\Logs".
void setLogValue(const wstr& valueName, uint32_t value);
void setLogString(const wstr& valueName, const wstr& value);
// Logging on, the given detail mask (when non-zero), text output to a fresh
// log file in the test folder; returns that file's path.
wstr enableTextLog(uint32_t ulLogDetail = 0);

// Whole file contents; empty when the file does not exist.
std::vector<uint8_t> readFile(const wstr& path);
// Writes the file whole (made or replaced); false when it could not be.
bool writeFile(const wstr& path, const std::vector<uint8_t>& bytes);
bool fileExists(const wstr& path);
// The UTF-16 text of a log file after its byte-order mark, split into lines
// without their CR LF (a missing final CR LF shows as a last partial line).
std::vector<wstr> readLogLines(const wstr& path);

// The running program's full path and its base name without extension.
wstr modulePath();
wstr moduleBaseName();

// True on the substitute, where machine facts that Wine cannot vary are open
// to tests (module path, failing calls, ...).
bool onSubstitute();

// The substitute's fault switch: the next call (or ulTimes calls) of the
// named platform function fails with the given error. False under Wine, where calls cannot be made to
// fail (the test then skips).
bool failNext(const char* szFunction, DWORD ulError, size_t ulTimes = 1);
// Handles the substitute has handed out and that are still open (0 under
// Wine, which does not say).
size_t openHandles();

#ifndef _WIN32
// The answer with nothing failing, then with each of its allocations failing
// in turn: each must be that whole answer or "failed" (a library exception
// thrown counts as "failed"). prepare() sets the machine up again before
// every run. Allocations can only be made to fail on the substitute.
void expectWholeOrFailed(const std::function<void()>& prepare, const std::function<std::string()>& answer);
#endif

// Whether the process token has the named privilege enabled now.
bool privilegeEnabled(const char* szPrivilege);

// ---- programs, processes, file versions, the current directory
// A file the Windows build makes for the tests (tests/fixtures), by its path
// below the folder "fixtures" beside the test program: "sleeper.exe",
// "8.20.23.5\\library.dll", "plain\\library.dll". Only the Windows build has
// them.
wstr fixturePath(const char* szRelative);
// Puts a program at the path that runs until it is terminated: under Wine a
// copy of the build's sleeper.exe, on the substitute a file that starts as
// an executable does. False when it cannot be written.
bool writeProgram(const wstr& path);
// Starts the program at the path (not through the shell); its process id,
// 0 on failure. Under Wine it returns once the module path can be read.
DWORD startProgram(const wstr& path);
// The running processes whose main module is the path (case ignored).
std::vector<DWORD> runningFrom(const wstr& path);
// Whether exactly `count` processes run from the path, waiting for at most
// five seconds under Wine, where processes start and end on their own time.
bool awaitRunning(const wstr& path, size_t count);
// Writes a file that holds a version resource with this file version (most
// and least significant halves): under Wine a copy of the build's fixture
// library with the numbers changed, on the substitute a few bytes around the
// version block. False when it cannot be written.
bool writeVersionedFile(const wstr& path, uint32_t ulVersionMS, uint32_t ulVersionLS);
// The running program's current directory (resetMachine restores it).
void setCurrentDirectory(const wstr& path);
// Ends every program running from the test folder (resetMachine does it
// under Wine; the substitute's reset has no processes left to end).
void endTestPrograms();

// Every test case starts on a reset machine.
class MachineTest : public ::testing::Test {
protected:
    void SetUp() override { resetMachine(); }
    void TearDown() override { resetMachine(); }
};

}  // namespace qvrtest

#endif
