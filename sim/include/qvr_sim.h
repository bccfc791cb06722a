// The substitute's machine model, seen from tests: reset it, set machine
// facts that Wine cannot vary, inject failures.
#ifndef QVR_SIM_H
#define QVR_SIM_H

#include "qvr_sim_win32.h"

#include <string>
#include <vector>

namespace qvrsim {

typedef std::u16string wstr;

// A fresh machine: empty registry (the five roots), empty sandbox folder,
// default module path, last error 0, no injected failures.
void reset();

// The host folder that holds the drives (one sub-folder per drive letter).
std::string sandboxRoot();
// The host path that a Windows path maps to (for tests that look behind it).
std::string hostPath(const wstr& windowsPath);

// The running program's full Windows path, as GetModuleFileNameW reports it.
void setModulePath(const wstr& path);

// The user's UI language, which picks the table LoadStringW reads (the exact
// language, then its primary language's neutral table, then English US, as
// Windows looks them up). Default: English US (0x0409).
void setUILanguage(LANGID language);

// Whether the machine is a 64-bit Windows (the 32-bit registry view is then
// Software\Wow6432Node under HKEY_LOCAL_MACHINE). Default: 64-bit.
void set64BitWindows(bool b64Bit);

// Another drive letter the machine has (C: always exists); paths on a drive
// it does not have fail with ERROR_PATH_NOT_FOUND, as on Windows.
void addDrive(char letter);

// Handles handed out and not yet closed: registry keys, files, searches,
// access tokens, processes.
size_t openHandles();

// The next call of the named function (for example "CreateFileW") fails with
// the given error, once (or the next times calls).
void failNext(const std::string& function, DWORD error, size_t times = 1);

// ---- counted calls
// Every call of a function that failNext covers is counted, in order, so
// that a test can count the calls of a run and then replay the run with the
// n-th of them failing, for every n. Counting starts afresh here and with
// reset(); an armed failure is dropped.
void resetCalls();
// The functions called since then, one entry per call, in order.
const std::vector<std::string>& callsMade();
// The n-th call counted since resetCalls (1 for the first) fails, once, with
// plausibleError of its function, as a failNext of it would.
void failCall(size_t n);
// The error a failure of the function most plausibly gives: access denied
// (5) for what changes files, keys, processes or privileges, a sharing
// violation (32) for opening or reading a file another program may hold,
// disk full (112) for writing, not enough memory (8) for what mostly
// allocates, invalid handle (6) for closing, not found (2) for a value, a
// module or a resource looked up.
DWORD plausibleError(const std::string& function);
// The library's allocations (new with std::nothrow, which answers a null
// block where the heap has no room) are counted apart from the calls, and
// the n-th counted since resetAllocations (or reset) can be made to get a
// null block, once.
void resetAllocations();
size_t allocationsMade();
void failAllocation(size_t n);
// ---- end of counted calls

// ---- restart, privileges
// A restart: volatile registry keys are gone; every handle, the environment,
// the enabled privileges, the process table and the last error start
// afresh. Files, non-volatile keys and the machine's settings stay.
void restart();

// Whether the account holds the named privilege; false for a name Windows
// does not know. Default: what an administrator holds, of which only
// SeChangeNotify, SeImpersonate and SeCreateGlobal are enabled when a
// process starts. A privilege given is disabled; one taken is gone.
bool setPrivilegeHeld(const wstr& name, bool bHeld);
// Whether the process token has the named privilege enabled now.
bool privilegeEnabled(const wstr& name);
// ---- end of restart, privileges

// ---- Windows version, processor, shell queries, message boxes, restart
// The Windows the program runs on (default: Windows 7, 6.1 build 7601,
// service pack 1). bExtendedFails makes the call with the extended version
// record fail, as an old Windows does; bAllFail makes both records fail. As
// on Windows, the service pack is also HKEY_LOCAL_MACHINE
// SYSTEM\CurrentControlSet\Control\Windows "CSDVersion" (major times 256), and
// the common application-data folder is the one that version has (before 6.0
// under "C:\Documents and Settings\All Users", else C:\ProgramData).
void setWindowsVersion(DWORD major, DWORD minor, DWORD build = 0, WORD servicePack = 0, bool bExtendedFails = false,
                       bool bAllFail = false);
// The answer of the shell's operating-system query (ordinal 437 of
// shlwapi.dll) for one query number. Unless set, query 18 answers yes from
// 5.1 on, query 37 from 6.0 on, as Windows does, and others answer no.
// Without the library (bPresent false) it cannot be loaded.
void setShellQuery(DWORD query, bool bAnswer);
void setShellLibraryPresent(bool bPresent);
// The answers the next message boxes give, in order; with none left a box
// fails (0, last error ERROR_INVALID_WINDOW_HANDLE), as one that cannot be
// shown.
void queueMessageBoxAnswers(const std::vector<int>& answers);
struct MessageBoxShown {
    HWND owner;
    wstr text;
    wstr caption;
    UINT style;
    int answer;
};
const std::vector<MessageBoxShown>& messageBoxesShown();
// Every restart asked for (the flags of each call).
const std::vector<UINT>& restartsAsked();
// The common application-data folder the shell names (made if missing).
void setCommonAppData(const wstr& path);
// Library loads (LoadLibraryW) less frees (FreeLibrary): 0 when every load
// was freed once. The shell library itself stays loaded whatever the count,
// as the program imports it.
long libraryLoadBalance();
// Every name LoadLibraryW was given since the machine started, in order.
const std::vector<wstr>& librariesLoaded();
// ---- end of system block

// ---- processes, waits, the current directory
// One entry of the process table. A test may change the three errors of a
// process through findProcess to make the platform refuse it.
struct Process {
    DWORD id = 0;
    wstr imagePath;  // the main module's full path
    bool bRunning = true;
    UINT exitCode = 0;         // what TerminateProcess ended it with
    bool bTerminated = false;  // ended by TerminateProcess
    int showCommand = -1;      // as ShellExecuteW started it; -1 when a test did
    DWORD openError = 0;       // OpenProcess fails with this (0: it opens)
    DWORD terminateError = 0;  // TerminateProcess fails with this
    DWORD pathError = 0;       // GetModuleFileNameExW fails with this (a 32-bit
                               // program reading a 64-bit process gets 299)
    DWORD imageNameError = 0;  // QueryFullProcessImageNameW and
                               // GetProcessImageFileNameW fail with this
};
// The table starts with the idle process (0), System (4, which an
// administrator may not open) and the running program itself, whose image
// is the module path. A started process gets the next free id (ids are
// multiples of 4, as on Windows) and is listed last.
DWORD startProcess(const wstr& imagePath);
// The whole table in EnumProcesses' order, ended processes included.
const std::vector<Process>& processes();
// The table's entry for the id; null when there is none.
Process* findProcess(DWORD id);
// The running processes whose image is the path (case ignored), in order.
std::vector<DWORD> runningProcesses(const wstr& imagePath);
// Sleep is not slept: the total of the milliseconds asked for.
uint64_t sleptMilliseconds();
// The current directory (default C:\), against which relative paths are
// resolved; a trailing backslash is dropped unless the path is a root.
void setCurrentDirectory(const wstr& path);
// A named mutex that another program held when it ended: the next wait on
// it gets WAIT_ABANDONED (and the mutex), as on Windows.
void abandonMutex(const wstr& name);
// Whether the program holds the named mutex now.
bool mutexOwned(const wstr& name);
// ---- end of processes block

}  // namespace qvrsim

#endif
