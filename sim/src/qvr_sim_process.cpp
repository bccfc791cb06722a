// Processes: a table of process ids and image paths that programs list,
// open, read the main module's path of, terminate and start through the
// shell; waits that are recorded instead of slept; the current directory.
#include "qvr_sim_state.h"

#include <cstdio>

using qvrsim::wstr;

namespace {

const DWORD kIdleProcess = 0;
const DWORD kSystemProcess = 4;
const DWORD kOwnProcess = 1000;
const uintptr_t kCurrentProcess = static_cast<uintptr_t>(-1);
const DWORD kReadModulePath = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

// What ShellExecuteW answers for failures; a value above 32 is success.
const INT_PTR kShellFileNotFound = 2;
const INT_PTR kShellOutOfMemory = 0;
const INT_PTR kShellNoAssociation = 31;
const INT_PTR kShellStarted = 42;

qvrsim::Process* runningProcess(DWORD id)
{
    qvrsim::Process* p = qvrsim::findProcess(id);
    return p && p->bRunning ? p : nullptr;
}

// The process behind a handle and the access the handle was opened with;
// the pseudo handle of the own process has every right.
qvrsim::Process* processOf(HANDLE h, DWORD& access)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(h);
    if (value == kCurrentProcess) {
        access = ~0u;
        return qvrsim::findProcess(kOwnProcess);
    }
    auto& handles = qvrsim::machine().processHandles;
    auto it = handles.find(value);
    if (it == handles.end())
        return nullptr;
    access = it->second.second;
    return qvrsim::findProcess(it->second.first);
}

bool endsWith(const wstr& text, const wstr& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Only a program file starts: an .exe whose first bytes are the "MZ" of an
// executable image.
bool isProgramImage(const std::string& host)
{
    FILE* f = std::fopen(host.c_str(), "rb");
    if (!f)
        return false;
    char head[2] = {};
    bool bImage = std::fread(head, 1, 2, f) == 2 && head[0] == 'M' && head[1] == 'Z';
    static_cast<void>(std::fclose(f));  // read only: nothing to lose
    return bImage;
}

HINSTANCE shellResult(INT_PTR result, DWORD error)
{
    SetLastError(error);
    return reinterpret_cast<HINSTANCE>(result);
}

}  // namespace

namespace qvrsim {

void startProcesses(Machine& m)
{
    m.processes.clear();
    m.processHandles.clear();
    Process idle;
    idle.id = kIdleProcess;
    idle.imagePath = u"System Idle Process";
    m.processes.push_back(idle);
    Process system;
    system.id = kSystemProcess;
    system.imagePath = u"System";
    system.openError = ERROR_ACCESS_DENIED;
    system.terminateError = ERROR_ACCESS_DENIED;
    m.processes.push_back(system);
    Process own;
    own.id = kOwnProcess;
    own.imagePath = m.modulePath;
    m.processes.push_back(own);
    m.nextProcessId = kOwnProcess + 4;
}

bool closeProcessHandle(uintptr_t h) { return machine().processHandles.erase(h) != 0; }

DWORD startProcess(const wstr& imagePath)
{
    Machine& m = machine();
    Process started;
    started.id = m.nextProcessId;
    started.imagePath = imagePath;
    m.nextProcessId += 4;
    m.processes.push_back(started);
    return started.id;
}

const std::vector<Process>& processes() { return machine().processes; }

Process* findProcess(DWORD id)
{
    for (Process& p : machine().processes)
        if (p.id == id)
            return &p;
    return nullptr;
}

std::vector<DWORD> runningProcesses(const wstr& imagePath)
{
    std::vector<DWORD> ids;
    for (const Process& p : machine().processes)
        if (p.bRunning && lowerCase(p.imagePath) == lowerCase(imagePath))
            ids.push_back(p.id);
    return ids;
}

uint64_t sleptMilliseconds() { return machine().sleptMilliseconds; }

void setCurrentDirectory(const wstr& path)
{
    wstr folder = path;
    if (folder.size() > 3 && folder.back() == u'\\')
        folder.pop_back();
    machine().currentDirectory = folder;
}

wstr fullPath(const wstr& path)
{
    if (path.size() >= 2 && path[1] == u':')
        return path;
    const wstr& current = machine().currentDirectory;
    if (!path.empty() && path[0] == u'\\')
        return current.substr(0, 2) + path;
    return current + (endsWith(current, u"\\") ? u"" : u"\\") + path;
}

}  // namespace qvrsim

// The ids of the running processes, as many as fit; the byte count says how
// many were written, so a full array cannot tell whether more exist.
BOOL EnumProcesses(DWORD* lpidProcess, DWORD cb, LPDWORD lpcbNeeded)
{
    if (qvrsim::injectedLastError("EnumProcesses"))
        return FALSE;
    if (lpcbNeeded == nullptr) {
        SetLastError(QVR_SIM_ERROR_NOACCESS);
        return FALSE;
    }
    DWORD count = 0;
    for (const qvrsim::Process& p : qvrsim::machine().processes) {
        if (!p.bRunning)
            continue;
        if ((count + 1) * sizeof(DWORD) > cb)
            break;
        lpidProcess[count++] = p.id;
    }
    *lpcbNeeded = count * static_cast<DWORD>(sizeof(DWORD));
    return TRUE;
}

// The idle process and an id nobody runs are invalid parameters; a process
// the account may not open is access denied.
HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL, DWORD dwProcessId)
{
    if (qvrsim::injectedLastError("OpenProcess"))
        return nullptr;
    qvrsim::Process* p = runningProcess(dwProcessId);
    if (p == nullptr || dwProcessId == kIdleProcess) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (p->openError) {
        SetLastError(p->openError);
        return nullptr;
    }
    uintptr_t h = qvrsim::newHandleValue();
    qvrsim::machine().processHandles[h] = std::make_pair(dwProcessId, dwDesiredAccess);
    return reinterpret_cast<HANDLE>(h);
}

// Only the main module (a null module handle). As Wine and Windows do, a
// path that does not fit is cut to nSize - 1 characters and a terminator and
// the result is nSize; success leaves the last error alone.
DWORD GetModuleFileNameExW(HANDLE hProcess, HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    if (qvrsim::injectedLastError("GetModuleFileNameExW"))
        return 0;
    DWORD access = 0;
    qvrsim::Process* p = processOf(hProcess, access);
    if (p == nullptr || hModule != nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    // An ended process has no modules left to read.
    if ((access & kReadModulePath) != kReadModulePath || !p->bRunning) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (p->pathError) {
        SetLastError(p->pathError);
        return 0;
    }
    if (nSize == 0)
        return 0;
    const wstr& path = p->imagePath;
    DWORD cch = path.size() < nSize ? static_cast<DWORD>(path.size()) : nSize - 1;
    for (DWORD i = 0; i < cch; ++i)
        lpFilename[i] = path[i];
    lpFilename[cch] = 0;
    return path.size() < nSize ? cch : nSize;
}

namespace {

// A process's image path for the two image-name queries: the handle must
// carry one of the query rights, and the process's own refusal comes last.
qvrsim::Process* imageOf(HANDLE hProcess, DWORD ulRights)
{
    DWORD access = 0;
    qvrsim::Process* p = processOf(hProcess, access);
    if (p == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((access & ulRights) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (p->imageNameError) {
        SetLastError(p->imageNameError);
        return nullptr;
    }
    return p;
}

// "C:\dir\file" as the kernel names it: "\Device\HarddiskVolumeN\dir\file",
// N counted from 1 in the order the machine has its drives.
wstr devicePath(const wstr& path)
{
    const std::string& drives = qvrsim::machine().drives;
    const size_t at =
        path.size() >= 2 && path[1] == u':' ? drives.find(static_cast<char>(path[0] | 0x20)) : std::string::npos;
    if (at == std::string::npos)
        return path;
    return u"\\Device\\HarddiskVolume" + qvrsim::fromUtf8(std::to_string(at + 1)) + path.substr(2);
}

}  // namespace

// Vista and later: the image's Win32 path (flags 0) or its device path
// (PROCESS_NAME_NATIVE, 1), which a 32-bit program gets for a 64-bit process
// too. lpdwSize holds the buffer's size with the terminator and comes back as
// the length without it; a buffer too small is ERROR_INSUFFICIENT_BUFFER.
BOOL QueryFullProcessImageNameW(HANDLE hProcess, DWORD dwFlags, LPWSTR lpExeName, PDWORD lpdwSize)
{
    if (qvrsim::injectedLastError("QueryFullProcessImageNameW"))
        return FALSE;
    if (lpdwSize == nullptr || lpExeName == nullptr || (dwFlags & ~1u) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const qvrsim::Process* p = imageOf(hProcess, PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION);
    if (p == nullptr)
        return FALSE;
    const wstr path = dwFlags ? devicePath(p->imagePath) : p->imagePath;
    if (path.size() >= *lpdwSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    path.copy(lpExeName, path.size());
    lpExeName[path.size()] = 0;
    *lpdwSize = static_cast<DWORD>(path.size());
    return TRUE;
}

// XP and later: the image's device path; 0 and ERROR_INSUFFICIENT_BUFFER when
// it does not fit with its terminator.
DWORD GetProcessImageFileNameW(HANDLE hProcess, LPWSTR lpImageFileName, DWORD nSize)
{
    if (qvrsim::injectedLastError("GetProcessImageFileNameW"))
        return 0;
    const qvrsim::Process* p = imageOf(hProcess, PROCESS_QUERY_INFORMATION);
    if (p == nullptr)
        return 0;
    const wstr path = devicePath(p->imagePath);
    if (lpImageFileName == nullptr || path.size() >= nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    path.copy(lpImageFileName, path.size());
    lpImageFileName[path.size()] = 0;
    return static_cast<DWORD>(path.size());
}

// The device a drive letter ("C:") stands for, as a list of one name ended by
// two terminators; the count includes both. An unknown name is
// ERROR_FILE_NOT_FOUND, a buffer too small ERROR_INSUFFICIENT_BUFFER.
DWORD QueryDosDeviceW(LPCWSTR lpDeviceName, LPWSTR lpTargetPath, DWORD ucchMax)
{
    if (qvrsim::injectedLastError("QueryDosDeviceW"))
        return 0;
    const wstr name = lpDeviceName ? qvrsim::lowerCase(lpDeviceName) : wstr();
    const wstr device = name.size() == 2 && name[1] == u':' ? devicePath(name) : name;
    if (device == name) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (lpTargetPath == nullptr || device.size() + 2 > ucchMax) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    device.copy(lpTargetPath, device.size());
    lpTargetPath[device.size()] = 0;
    lpTargetPath[device.size() + 1] = 0;
    return static_cast<DWORD>(device.size() + 2);
}

// "C:\", "D:\", ... each terminated, and one more terminator; the result is
// the length without that last one, or the size needed with it when the
// buffer is too small.
DWORD GetLogicalDriveStringsW(DWORD nBufferLength, LPWSTR lpBuffer)
{
    if (qvrsim::injectedLastError("GetLogicalDriveStringsW"))
        return 0;
    wstr list;
    for (char letter : qvrsim::machine().drives)
        list += wstr(1, static_cast<char16_t>(letter - 'a' + 'A')) + u":\\" + wstr(1, 0);
    if (lpBuffer == nullptr || list.size() + 1 > nBufferLength)
        return static_cast<DWORD>(list.size() + 1);
    list.copy(lpBuffer, list.size());
    lpBuffer[list.size()] = 0;
    return static_cast<DWORD>(list.size());
}

// A process that has ended already cannot be terminated again (Windows
// refuses with access denied; Wine says yes).
BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode)
{
    if (qvrsim::injectedLastError("TerminateProcess"))
        return FALSE;
    DWORD access = 0;
    qvrsim::Process* p = processOf(hProcess, access);
    if (p == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD error = !(access & PROCESS_TERMINATE) || !p->bRunning ? ERROR_ACCESS_DENIED : p->terminateError;
    if (error) {
        SetLastError(error);
        return FALSE;
    }
    p->bRunning = false;
    p->bTerminated = true;
    p->exitCode = uExitCode;
    return TRUE;
}

DWORD GetCurrentProcessId() { return kOwnProcess; }

// "open" (or no verb) on a program file starts it; the image path is the
// file's full path as the caller spelled it. Failures answer the shell's
// small codes: 2 for a missing file (the last error tells a missing folder,
// 3, from a missing file), 11 for a file that is no program image, 31 for a
// file that no program opens.
HINSTANCE ShellExecuteW(HWND, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR, LPCWSTR, INT nShowCmd)
{
    DWORD error;
    if (qvrsim::injectedFailure("ShellExecuteW", error))
        return shellResult(error <= 32 ? static_cast<INT_PTR>(error) : kShellOutOfMemory, error);
    wstr verb = lpOperation ? qvrsim::lowerCase(lpOperation) : wstr(u"open");
    wstr path = qvrsim::fullPath(lpFile ? wstr(lpFile) : wstr());
    std::string host;
    bool bFolder = false;
    if (DWORD error = qvrsim::locateExisting(path.c_str(), host, bFolder))
        return shellResult(kShellFileNotFound, error);
    // A folder opens in a window of the shell's own; nothing to model.
    if (bFolder && verb == u"open")
        return shellResult(kShellStarted, ERROR_SUCCESS);
    if (verb != u"open" || !endsWith(qvrsim::lowerCase(path), u".exe"))
        return shellResult(kShellNoAssociation, QVR_SIM_ERROR_NO_ASSOCIATION);
    if (!isProgramImage(host))
        return shellResult(QVR_SIM_ERROR_BAD_FORMAT, QVR_SIM_ERROR_BAD_EXE_FORMAT);
    DWORD id = qvrsim::startProcess(path);
    qvrsim::findProcess(id)->showCommand = nShowCmd;
    return shellResult(kShellStarted, ERROR_SUCCESS);
}

void Sleep(DWORD dwMilliseconds) { qvrsim::machine().sleptMilliseconds += dwMilliseconds; }

// A buffer too small gets nothing and the answer is the size needed with
// the terminator; the last error stays as it was either way.
DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer)
{
    if (qvrsim::injectedLastError("GetCurrentDirectoryW"))
        return 0;
    const wstr& current = qvrsim::machine().currentDirectory;
    DWORD cch = static_cast<DWORD>(current.size());
    if (nBufferLength <= cch)
        return cch + 1;
    for (DWORD i = 0; i < cch; ++i)
        lpBuffer[i] = current[i];
    lpBuffer[cch] = 0;
    return cch;
}

// Named mutexes. The substitute runs one program, so a wait never has to
// wait: it gets the mutex at once, or WAIT_ABANDONED for one whose last owner
// ended holding it.
namespace qvrsim {

void abandonMutex(const wstr& name) { machine().mutexes[name].bAbandoned = true; }

bool mutexOwned(const wstr& name)
{
    auto& mutexes = machine().mutexes;
    auto it = mutexes.find(name);
    return it != mutexes.end() && it->second.ownedCount > 0;
}

// A mutex that no handle names any more is gone, unless another program's
// end left it abandoned.
bool closeMutexHandle(uintptr_t h)
{
    Machine& m = machine();
    auto it = m.mutexHandles.find(h);
    if (it == m.mutexHandles.end())
        return false;
    auto mutex = m.mutexes.find(it->second);
    if (--mutex->second.handles == 0 && !mutex->second.bAbandoned)
        m.mutexes.erase(mutex);
    m.mutexHandles.erase(it);
    return true;
}

}  // namespace qvrsim

namespace {

qvrsim::Machine::Mutex* mutexOf(HANDLE hMutex)
{
    qvrsim::Machine& m = qvrsim::machine();
    auto it = m.mutexHandles.find(reinterpret_cast<uintptr_t>(hMutex));
    return it == m.mutexHandles.end() ? nullptr : &m.mutexes[it->second];
}

}  // namespace

// An existing name opens that mutex and says so with ERROR_ALREADY_EXISTS;
// a new one leaves the last error as it was.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCWSTR lpName)
{
    if (qvrsim::injectedLastError("CreateMutexW"))
        return nullptr;
    qvrsim::Machine& m = qvrsim::machine();
    const uintptr_t h = qvrsim::newHandleValue();
    // An unnamed mutex is one nobody else can open.
    const wstr name = lpName ? wstr(lpName) : u"\\unnamed\\" + qvrsim::fromUtf8(std::to_string(h));
    const bool bExisted = m.mutexes.count(name) != 0;
    qvrsim::Machine::Mutex& mutex = m.mutexes[name];
    ++mutex.handles;
    if (bInitialOwner && !bExisted)
        mutex.ownedCount = 1;
    m.mutexHandles[h] = name;
    if (bExisted)
        SetLastError(ERROR_ALREADY_EXISTS);
    return reinterpret_cast<HANDLE>(h);
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD)
{
    if (qvrsim::injectedLastError("WaitForSingleObject"))
        return WAIT_FAILED;
    qvrsim::Machine::Mutex* mutex = mutexOf(hHandle);
    if (mutex == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    ++mutex->ownedCount;
    if (!mutex->bAbandoned)
        return WAIT_OBJECT_0;
    mutex->bAbandoned = false;
    return WAIT_ABANDONED;
}

// Only the owner releases; anyone else gets ERROR_NOT_OWNER (288).
BOOL ReleaseMutex(HANDLE hMutex)
{
    if (qvrsim::injectedLastError("ReleaseMutex"))
        return FALSE;
    qvrsim::Machine::Mutex* mutex = mutexOf(hMutex);
    if (mutex == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (mutex->ownedCount == 0) {
        SetLastError(288);
        return FALSE;
    }
    --mutex->ownedCount;
    return TRUE;
}
