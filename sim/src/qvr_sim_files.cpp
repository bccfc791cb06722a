// Files and folders: Windows paths mapped into the sandbox, one host folder
// per drive letter, names compared without regard to case.
#include "qvr_sim_state.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using qvrsim::wstr;

namespace qvrsim {

// Lower-casing the whole path gives case-insensitive names on a host that
// compares them exactly.
std::string hostPath(const wstr& windowsPath)
{
    wstr path = lowerCase(windowsPath);
    std::string drive = "c";
    size_t start = 0;
    if (path.size() >= 2 && path[1] == u':' && path[0] >= u'a' && path[0] <= u'z') {
        drive = std::string(1, static_cast<char>(path[0]));
        start = 2;
    }
    std::string host = sandboxRoot() + "/" + drive;
    std::string rest = toUtf8(path.substr(start));
    for (char& ch : rest)
        if (ch == '\\')
            ch = '/';
    if (rest.empty() || rest[0] != '/')
        host += '/';
    host += rest;
    while (host.size() > 1 && host.back() == '/')
        host.pop_back();
    return host;
}

}  // namespace qvrsim

namespace {

std::string mapped(LPCWSTR sz) { return qvrsim::hostPath(sz ? wstr(sz) : wstr()); }

bool parentExists(const std::string& host)
{
    size_t slash = host.find_last_of('/');
    struct stat st;
    return slash != std::string::npos && stat(host.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DWORD missingError(const std::string& host) { return parentExists(host) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND; }

int descriptorOf(HANDLE hFile)
{
    auto& handles = qvrsim::machine().fileHandles;
    auto it = handles.find(reinterpret_cast<uintptr_t>(hFile));
    return it == handles.end() ? -1 : it->second;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD, HANDLE)
{
    if (qvrsim::injectedFailure("CreateFileW"))
        return INVALID_HANDLE_VALUE;
    std::string host = mapped(lpFileName);
    struct stat st;
    bool bExists = stat(host.c_str(), &st) == 0;
    if (bExists && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int flags = (dwDesiredAccess & GENERIC_WRITE) ? ((dwDesiredAccess & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (dwCreationDisposition) {
    case OPEN_EXISTING:
    case TRUNCATE_EXISTING:
        if (!bExists) {
            SetLastError(missingError(host));
            return INVALID_HANDLE_VALUE;
        }
        if (dwCreationDisposition == TRUNCATE_EXISTING)
            flags |= O_TRUNC;
        break;
    case CREATE_NEW:
        if (bExists) {
            SetLastError(80);  // ERROR_FILE_EXISTS
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_CREAT;
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!bExists && !parentExists(host)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(host.c_str(), flags, 0644);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    // Windows reports an existing file opened by OPEN_ALWAYS or CREATE_ALWAYS.
    bool bOpenedExisting =
        bExists && (dwCreationDisposition == OPEN_ALWAYS || dwCreationDisposition == CREATE_ALWAYS);
    SetLastError(bOpenedExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    qvrsim::Machine& m = qvrsim::machine();
    uintptr_t h = m.nextHandle;
    m.nextHandle += 4;
    m.fileHandles[h] = fd;
    return reinterpret_cast<HANDLE>(h);
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED)
{
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = 0;
    if (qvrsim::injectedFailure("WriteFile"))
        return FALSE;
    int fd = descriptorOf(hFile);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ssize_t written = ::write(fd, lpBuffer, nNumberOfBytesToWrite);
    if (written < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = static_cast<DWORD>(written);
    return TRUE;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead, LPOVERLAPPED)
{
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    int fd = descriptorOf(hFile);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ssize_t got = ::read(fd, lpBuffer, nNumberOfBytesToRead);
    if (got < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = static_cast<DWORD>(got);
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    int fd = descriptorOf(hFile);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh)
        distance = (static_cast<int64_t>(*lpDistanceToMoveHigh) << 32) | static_cast<uint32_t>(lDistanceToMove);
    int whence = dwMoveMethod == FILE_END ? SEEK_END : dwMoveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_SET;
    off_t pos = ::lseek(fd, static_cast<off_t>(distance), whence);
    if (pos < 0) {
        SetLastError(131);  // ERROR_NEGATIVE_SEEK
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<int64_t>(pos) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(pos);
}

BOOL CloseHandle(HANDLE hObject)
{
    if (qvrsim::injectedFailure("CloseHandle"))
        return FALSE;
    auto& handles = qvrsim::machine().fileHandles;
    auto it = handles.find(reinterpret_cast<uintptr_t>(hObject));
    if (it == handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ::close(it->second);
    handles.erase(it);
    return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES)
{
    if (qvrsim::injectedFailure("CreateDirectoryW"))
        return FALSE;
    std::string host = mapped(lpPathName);
    struct stat st;
    if (stat(host.c_str(), &st) == 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (!parentExists(host) || ::mkdir(host.c_str(), 0755) != 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName)
{
    std::string host = mapped(lpPathName);
    if (::rmdir(host.c_str()) != 0) {
        SetLastError(errno == ENOENT ? missingError(host) : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR lpFileName)
{
    std::string host = mapped(lpFileName);
    struct stat st;
    if (stat(host.c_str(), &st) != 0) {
        SetLastError(missingError(host));
        return FALSE;
    }
    if (S_ISDIR(st.st_mode) || ::unlink(host.c_str()) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR lpFileName)
{
    if (qvrsim::injectedFailure("GetFileAttributesW"))
        return INVALID_FILE_ATTRIBUTES;
    std::string host = mapped(lpFileName);
    struct stat st;
    if (stat(host.c_str(), &st) != 0) {
        SetLastError(missingError(host));
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0x20;  // FILE_ATTRIBUTE_ARCHIVE
}
