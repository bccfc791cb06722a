// Files and folders: Windows paths mapped into the sandbox, one host folder
// per drive letter, names compared without regard to case.
#include "qvr_sim_state.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using qvrsim::wstr;

namespace qvrsim {

// Lower-casing the whole path gives case-insensitive names on a host that
// compares them exactly; a relative path is completed first. "." and ".."
// are resolved as Windows resolves them, never above the drive's root, so
// no path leads out of the sandbox.
std::string hostPath(const wstr& windowsPath)
{
    wstr path = lowerCase(fullPath(windowsPath));
    std::string drive = "c";
    size_t start = 0;
    if (path.size() >= 2 && path[1] == u':' && path[0] >= u'a' && path[0] <= u'z') {
        drive = std::string(1, static_cast<char>(path[0]));
        start = 2;
    }
    std::vector<std::string> parts;
    std::string part;
    std::string rest = toUtf8(path.substr(start)) + "\\";
    for (char ch : rest) {
        if (ch != '\\' && ch != '/') {
            part += ch;
            continue;
        }
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    std::string host = sandboxRoot() + "/" + drive;
    for (const std::string& name : parts)
        host += "/" + name;
    return host;
}

}  // namespace qvrsim

namespace {

std::string mapped(LPCWSTR sz) { return qvrsim::hostPath(sz ? wstr(sz) : wstr()); }

bool endsWithBackslash(LPCWSTR sz)
{
    size_t n = qvrsim::length(sz);
    return n > 0 && sz[n - 1] == u'\\';
}

bool parentExists(const std::string& host)
{
    size_t slash = host.find_last_of('/');
    struct stat st;
    return slash != std::string::npos && stat(host.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DWORD missingError(const std::string& host) { return parentExists(host) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND; }

bool fail(DWORD error)
{
    SetLastError(error);
    return false;
}

bool emptyPath(LPCWSTR sz) { return sz == nullptr || sz[0] == 0; }

// "C:" and "C:\" (the substitute's current folder on a drive is its root).
bool isDriveRoot(LPCWSTR sz)
{
    size_t n = qvrsim::length(sz);
    return (n == 2 || (n == 3 && sz[2] == u'\\')) && sz[1] == u':';
}

bool injected(const char* function) { return qvrsim::injectedLastError(function); }

qvrsim::OpenFile* openFile(HANDLE hFile)
{
    auto& handles = qvrsim::machine().fileHandles;
    auto it = handles.find(reinterpret_cast<uintptr_t>(hFile));
    return it == handles.end() ? nullptr : &it->second;
}

// The attributes a file or folder has beyond the one its kind gives.
DWORD extraAttributes(const std::string& host)
{
    const auto& attributes = qvrsim::machine().fileAttributes;
    auto it = attributes.find(host);
    return it == attributes.end() ? 0 : it->second;
}

bool isReadOnly(const std::string& host) { return (extraAttributes(host) & FILE_ATTRIBUTE_READONLY) != 0; }

}  // namespace

// Windows refuses an open that the handles already open on the file do not
// share, or that asks the others to share what they already use.
bool qvrsim::sharingAllows(const std::string& host, DWORD access, DWORD share)
{
    for (const auto& entry : qvrsim::machine().fileHandles) {
        const qvrsim::OpenFile& other = entry.second;
        if (other.host != host)
            continue;
        if (((access & GENERIC_READ) && !(other.share & FILE_SHARE_READ)) ||
            ((access & GENERIC_WRITE) && !(other.share & FILE_SHARE_WRITE)) ||
            ((other.access & GENERIC_READ) && !(share & FILE_SHARE_READ)) ||
            ((other.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)))
            return false;
    }
    return true;
}

// A file's folder must exist; a path that ends in a backslash names no file.
DWORD qvrsim::locateFile(LPCWSTR path, std::string& host)
{
    if (emptyPath(path) || !qvrsim::onKnownDrive(path) || endsWithBackslash(path))
        return ERROR_PATH_NOT_FOUND;
    host = mapped(path);
    return parentExists(host) ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
}

DWORD qvrsim::locateExisting(LPCWSTR path, std::string& host, bool& bFolder)
{
    if (DWORD error = locateFile(path, host))
        return error;
    struct stat st;
    if (stat(host.c_str(), &st) != 0)
        return ERROR_FILE_NOT_FOUND;
    bFolder = S_ISDIR(st.st_mode);
    return ERROR_SUCCESS;
}

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD, HANDLE)
{
    if (injected("CreateFileW"))
        return INVALID_HANDLE_VALUE;
    if (!qvrsim::onKnownDrive(lpFileName)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string host = mapped(lpFileName);
    struct stat st;
    bool bExists = stat(host.c_str(), &st) == 0;
    // Without backup semantics a folder cannot be opened as a file.
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
            SetLastError(QVR_SIM_ERROR_FILE_EXISTS);
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
    // A read-only file is not opened for writing, nor replaced.
    if (bExists && isReadOnly(host) &&
        ((dwDesiredAccess & GENERIC_WRITE) || dwCreationDisposition == CREATE_ALWAYS ||
         dwCreationDisposition == TRUNCATE_EXISTING)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (bExists && !qvrsim::sharingAllows(host, dwDesiredAccess, dwShareMode)) {
        SetLastError(QVR_SIM_ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(host.c_str(), flags, 0644);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    // An existing file opened by OPEN_ALWAYS or CREATE_ALWAYS is reported.
    bool bOpenedExisting = bExists && (dwCreationDisposition == OPEN_ALWAYS || dwCreationDisposition == CREATE_ALWAYS);
    SetLastError(bOpenedExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    uintptr_t h = qvrsim::newHandleValue();
    qvrsim::OpenFile& file = qvrsim::machine().fileHandles[h];
    file.fd = fd;
    file.host = host;
    file.access = dwDesiredAccess;
    file.share = dwShareMode;
    return reinterpret_cast<HANDLE>(h);
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED)
{
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = 0;
    if (injected("WriteFile"))
        return FALSE;
    qvrsim::OpenFile* file = openFile(hFile);
    if (!file)
        return fail(ERROR_INVALID_HANDLE);
    ssize_t written = ::write(file->fd, lpBuffer, nNumberOfBytesToWrite);
    if (written < 0)
        return fail(ERROR_ACCESS_DENIED);
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = static_cast<DWORD>(written);
    return TRUE;
}

// At the end of the file a read succeeds with nothing read.
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead, LPOVERLAPPED)
{
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    if (injected("ReadFile"))
        return FALSE;
    qvrsim::OpenFile* file = openFile(hFile);
    if (!file)
        return fail(ERROR_INVALID_HANDLE);
    ssize_t got = ::read(file->fd, lpBuffer, nNumberOfBytesToRead);
    if (got < 0)
        return fail(ERROR_ACCESS_DENIED);
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = static_cast<DWORD>(got);
    return TRUE;
}

// Success leaves the last error as it was (Wine does not clear it).
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    if (injected("SetFilePointer"))
        return INVALID_SET_FILE_POINTER;
    qvrsim::OpenFile* file = openFile(hFile);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh)
        distance = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                        static_cast<uint32_t>(lDistanceToMove));
    int whence = dwMoveMethod == FILE_END ? SEEK_END : dwMoveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_SET;
    off_t pos = ::lseek(file->fd, static_cast<off_t>(distance), whence);
    if (pos < 0) {
        SetLastError(QVR_SIM_ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<int64_t>(pos) >> 32);
    return static_cast<DWORD>(pos);
}

// Files, tokens, processes and mutexes; the pseudo handle of the own process needs
// no closing and closes without complaint.
BOOL CloseHandle(HANDLE hObject)
{
    if (injected("CloseHandle"))
        return FALSE;
    uintptr_t h = reinterpret_cast<uintptr_t>(hObject);
    if (h == static_cast<uintptr_t>(-1) || qvrsim::closeTokenHandle(h) || qvrsim::closeProcessHandle(h) ||
        qvrsim::closeMutexHandle(h))
        return TRUE;
    auto& handles = qvrsim::machine().fileHandles;
    auto it = handles.find(h);
    if (it == handles.end())
        return fail(ERROR_INVALID_HANDLE);
    ::close(it->second.fd);
    handles.erase(it);
    return TRUE;
}

// One level at a time; success leaves the last error alone. Windows refuses
// a drive's root as access denied (Wine says it exists).
BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES)
{
    if (injected("CreateDirectoryW"))
        return FALSE;
    if (!qvrsim::onKnownDrive(lpPathName) || emptyPath(lpPathName))
        return fail(ERROR_PATH_NOT_FOUND);
    if (isDriveRoot(lpPathName))
        return fail(ERROR_ACCESS_DENIED);
    std::string host = mapped(lpPathName);
    struct stat st;
    if (stat(host.c_str(), &st) == 0)
        return fail(ERROR_ALREADY_EXISTS);
    if (!parentExists(host) || ::mkdir(host.c_str(), 0755) != 0)
        return fail(ERROR_PATH_NOT_FOUND);
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName)
{
    if (injected("RemoveDirectoryW"))
        return FALSE;
    if (!qvrsim::onKnownDrive(lpPathName))
        return fail(ERROR_PATH_NOT_FOUND);
    std::string host = mapped(lpPathName);
    if (::rmdir(host.c_str()) != 0) {
        if (errno == ENOENT)
            return fail(missingError(host));
        return fail(errno == ENOTEMPTY || errno == EEXIST ? QVR_SIM_ERROR_DIR_NOT_EMPTY : ERROR_ACCESS_DENIED);
    }
    qvrsim::machine().fileAttributes.erase(host);
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR lpFileName)
{
    if (injected("DeleteFileW"))
        return FALSE;
    if (!qvrsim::onKnownDrive(lpFileName))
        return fail(ERROR_PATH_NOT_FOUND);
    std::string host = mapped(lpFileName);
    struct stat st;
    if (stat(host.c_str(), &st) != 0)
        return fail(missingError(host));
    if (S_ISDIR(st.st_mode) || isReadOnly(host) || ::unlink(host.c_str()) != 0)
        return fail(ERROR_ACCESS_DENIED);
    qvrsim::machine().fileAttributes.erase(host);
    return TRUE;
}

// A drive's root, with or without its backslash, and a folder, with or
// without a trailing one, are folders; an empty path is none.
DWORD GetFileAttributesW(LPCWSTR lpFileName)
{
    if (injected("GetFileAttributesW"))
        return INVALID_FILE_ATTRIBUTES;
    if (!qvrsim::onKnownDrive(lpFileName) || emptyPath(lpFileName)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string host = mapped(lpFileName);
    struct stat st;
    if (stat(host.c_str(), &st) != 0) {
        SetLastError(missingError(host));
        return INVALID_FILE_ATTRIBUTES;
    }
    if (!S_ISDIR(st.st_mode) && endsWithBackslash(lpFileName)) {
        // "file\" names a folder that is not there.
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return (S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE) | extraAttributes(host);
}

namespace {

// Windows' wildcards on one name: "*" any run, "?" any one character; names
// compared without regard to case.
bool matchesPattern(const wstr& name, const wstr& pattern)
{
    size_t n = 0, p = 0, star = wstr::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            mark = n;
        } else if (star != wstr::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

void fillFindData(const qvrsim::FindSearch& search, const wstr& name, LPWIN32_FIND_DATAW data)
{
    *data = WIN32_FIND_DATAW();
    std::string host = search.folder + "/" + qvrsim::toUtf8(qvrsim::lowerCase(name));
    struct stat st;
    bool bFolder = name == u"." || name == u".." || (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    data->dwFileAttributes = (bFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE) | extraAttributes(host);
    if (!bFolder && stat(host.c_str(), &st) == 0)
        data->nFileSizeLow = static_cast<DWORD>(st.st_size);
    size_t cch = name.size() < 259 ? name.size() : 259;
    for (size_t i = 0; i < cch; ++i)
        data->cFileName[i] = name[i];
}

}  // namespace

// The entries of one folder whose names match the last part of the path; a
// folder other than a drive root also lists "." and "..", as on Windows.
// The sandbox keeps names in lower case, so they are handed out that way.
HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData)
{
    if (injected("FindFirstFileW"))
        return INVALID_HANDLE_VALUE;
    if (!qvrsim::onKnownDrive(lpFileName)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    wstr path = lpFileName ? wstr(lpFileName) : wstr();
    size_t slash = path.find_last_of(u'\\');
    wstr folder = slash == wstr::npos ? wstr() : path.substr(0, slash + 1);
    wstr pattern = qvrsim::lowerCase(slash == wstr::npos ? path : path.substr(slash + 1));
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    qvrsim::FindSearch search;
    search.folder = qvrsim::hostPath(folder);
    struct stat st;
    if (stat(search.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    bool bRoot = folder.size() == 3 && folder[1] == u':';
    std::vector<wstr> names;
    if (!bRoot) {
        names.push_back(u".");
        names.push_back(u"..");
    }
    std::error_code ec;
    std::vector<wstr> entries;
    for (const auto& entry : std::filesystem::directory_iterator(search.folder, ec))
        entries.push_back(qvrsim::fromUtf8(entry.path().filename().string()));
    std::sort(entries.begin(), entries.end());
    names.insert(names.end(), entries.begin(), entries.end());
    for (const wstr& name : names)
        if (matchesPattern(name, pattern))
            search.names.push_back(name);
    if (search.names.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    fillFindData(search, search.names[0], lpFindFileData);
    search.next = 1;
    uintptr_t h = qvrsim::newHandleValue();
    qvrsim::machine().findHandles[h] = search;
    return reinterpret_cast<HANDLE>(h);
}

BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData)
{
    if (injected("FindNextFileW"))
        return FALSE;
    auto& handles = qvrsim::machine().findHandles;
    auto it = handles.find(reinterpret_cast<uintptr_t>(hFindFile));
    if (it == handles.end())
        return fail(ERROR_INVALID_HANDLE);
    qvrsim::FindSearch& search = it->second;
    if (search.next >= search.names.size())
        return fail(ERROR_NO_MORE_FILES);
    fillFindData(search, search.names[search.next++], lpFindFileData);
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile)
{
    if (injected("FindClose"))
        return FALSE;
    if (qvrsim::machine().findHandles.erase(reinterpret_cast<uintptr_t>(hFindFile)) == 0)
        return fail(ERROR_INVALID_HANDLE);
    return TRUE;
}

namespace {

// The attributes of a file, or of the files and folders below a folder,
// follow it to its new path, as do the handles still open on them.
void movedTo(const std::string& from, const std::string& to)
{
    auto moved = [&](const std::string& host, std::string& renamed) {
        if (host != from && host.compare(0, from.size() + 1, from + "/") != 0)
            return false;
        renamed = to + host.substr(from.size());
        return true;
    };
    auto& attributes = qvrsim::machine().fileAttributes;
    std::map<std::string, DWORD> kept;
    for (const auto& entry : attributes) {
        std::string renamed;
        kept[moved(entry.first, renamed) ? renamed : entry.first] = entry.second;
    }
    attributes.swap(kept);
    for (auto& entry : qvrsim::machine().fileHandles) {
        std::string renamed;
        if (moved(entry.second.host, renamed))
            entry.second.host = renamed;
    }
}

// A handle that does not share deletion keeps its file from being renamed;
// any handle keeps it from being replaced.
bool openWithoutDeleteSharing(const std::string& host)
{
    for (const auto& entry : qvrsim::machine().fileHandles)
        if (entry.second.host == host && !(entry.second.share & FILE_SHARE_DELETE))
            return true;
    return false;
}

bool openAtAll(const std::string& host)
{
    for (const auto& entry : qvrsim::machine().fileHandles)
        if (entry.second.host == host)
            return true;
    return false;
}

}  // namespace

// A file or folder to a new name. An existing target is replaced only with
// MOVEFILE_REPLACE_EXISTING, and never when it is a folder, read-only or
// open. Success leaves the last error alone. (Wine replaces a read-only
// target; Windows refuses it.)
BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags)
{
    if (injected("MoveFileExW"))
        return FALSE;
    // Without a target the call asks for a deletion at the next restart,
    // which nothing here does.
    if (lpNewFileName == nullptr)
        return fail(ERROR_INVALID_PARAMETER);
    std::string source, target;
    bool bFolder = false;
    if (DWORD error = qvrsim::locateExisting(lpExistingFileName, source, bFolder))
        return fail(error);
    if (DWORD error = qvrsim::locateFile(lpNewFileName, target))
        return fail(error);
    if (source == target)
        return TRUE;
    if (openWithoutDeleteSharing(source))
        return fail(QVR_SIM_ERROR_SHARING_VIOLATION);
    struct stat existing;
    if (stat(target.c_str(), &existing) == 0) {
        if (!(dwFlags & MOVEFILE_REPLACE_EXISTING))
            return fail(ERROR_ALREADY_EXISTS);
        if (S_ISDIR(existing.st_mode) || bFolder || isReadOnly(target) || openAtAll(target))
            return fail(ERROR_ACCESS_DENIED);
    }
    if (::rename(source.c_str(), target.c_str()) != 0)
        return fail(ERROR_ACCESS_DENIED);
    qvrsim::machine().fileAttributes.erase(target);
    movedTo(source, target);
    return TRUE;
}

// The copy gets the source's attributes. The source is read sharing reading
// and writing, so only a handle that denies reading stops it; the target is
// written with the same sharing. A read-only or hidden target is refused, as
// Windows documents (Wine overwrites it); a copy onto the source itself is a
// sharing violation.
BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists)
{
    if (injected("CopyFileW"))
        return FALSE;
    const DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    std::string source, target;
    bool bFolder = false;
    if (DWORD error = qvrsim::locateExisting(lpExistingFileName, source, bFolder))
        return fail(error);
    if (bFolder)
        return fail(ERROR_ACCESS_DENIED);
    if (!qvrsim::sharingAllows(source, GENERIC_READ, kShare))
        return fail(QVR_SIM_ERROR_SHARING_VIOLATION);
    if (DWORD error = qvrsim::locateFile(lpNewFileName, target))
        return fail(error);
    struct stat existing;
    if (stat(target.c_str(), &existing) == 0) {
        if (bFailIfExists)
            return fail(QVR_SIM_ERROR_FILE_EXISTS);
        if (S_ISDIR(existing.st_mode) || (extraAttributes(target) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)))
            return fail(ERROR_ACCESS_DENIED);
        if (target == source || !qvrsim::sharingAllows(target, GENERIC_WRITE, kShare))
            return fail(QVR_SIM_ERROR_SHARING_VIOLATION);
    }
    std::error_code ec;
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec)
        return fail(ERROR_ACCESS_DENIED);
    auto& attributes = qvrsim::machine().fileAttributes;
    attributes.erase(target);
    if (DWORD kept = extraAttributes(source))
        attributes[target] = kept;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

// Read-only, hidden and system are kept; the archive and folder bits come
// from the kind of entry, and FILE_ATTRIBUTE_NORMAL (or 0) clears the rest.
BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes)
{
    if (injected("SetFileAttributesW"))
        return FALSE;
    if (!qvrsim::onKnownDrive(lpFileName) || emptyPath(lpFileName))
        return fail(ERROR_PATH_NOT_FOUND);
    std::string host = mapped(lpFileName);
    struct stat st;
    if (stat(host.c_str(), &st) != 0)
        return fail(missingError(host));
    DWORD kept = dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    auto& attributes = qvrsim::machine().fileAttributes;
    if (kept)
        attributes[host] = kept;
    else
        attributes.erase(host);
    return TRUE;
}
