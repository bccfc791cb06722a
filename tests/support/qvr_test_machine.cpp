// Test machine set-up. Under Wine the prefix is the machine; on POSIX the
// substitute's model is, and can be reset whole.
#ifdef _WIN32
// RegDeleteTreeW is declared for Vista and later only; Wine has it.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif

#include "qvr_test_machine.h"

#include "diagnostics/qvr_log_configuration.h"
#include "diagnostics/qvr_logging.h"

#ifdef _WIN32
#include <filesystem>
#else
#include "qvr_sim.h"
#endif

namespace qvrtest {

namespace {

const WCHAR kTestFolder[] = QVR_T("C:\\qvrtest\\");
const WCHAR kLogsKey[] = QVR_T("SOFTWARE\\Dravonne\\Logs");

HKEY createKey(HKEY root, const wstr& keyPath)
{
    HKEY hKey = nullptr;
    LONG rc =
        RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, 0, qvrRegistryView(KEY_ALL_ACCESS), nullptr, &hKey, nullptr);
    EXPECT_EQ(rc, ERROR_SUCCESS) << "creating " << narrow(keyPath);
    return rc == ERROR_SUCCESS ? hKey : nullptr;
}

}  // namespace

void setValueBytes(HKEY root, const wstr& keyPath, const wstr& valueName, DWORD type, const void* data, size_t cb)
{
    HKEY hKey = createKey(root, keyPath);
    if (!hKey)
        return;
    EXPECT_EQ(RegSetValueExW(hKey, valueName.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(cb)),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
}

namespace {

#ifdef _WIN32
// Tests leave no privilege enabled and no variable of theirs behind for the
// next test of the same program.
void restoreProcessState()
{
    // The directory the test program started in.
    static const wstr startDirectory = [] {
        WCHAR buffer[MAX_PATH + 1] = {};
        GetCurrentDirectoryW(MAX_PATH + 1, buffer);
        return wstr(buffer);
    }();
    SetCurrentDirectoryW(startDirectory.c_str());
    endTestPrograms();
    HANDLE hToken = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken)) {
        for (const WCHAR* szName : {L"SeBackupPrivilege", L"SeRestorePrivilege", L"SeShutdownPrivilege"}) {
            TOKEN_PRIVILEGES privileges = {};
            privileges.PrivilegeCount = 1;
            if (LookupPrivilegeValueW(nullptr, szName, &privileges.Privileges[0].Luid))
                AdjustTokenPrivileges(hToken, FALSE, &privileges, sizeof privileges, nullptr, nullptr);
        }
        CloseHandle(hToken);
    }
    std::vector<wstr> names;
    if (WCHAR* pBlock = GetEnvironmentStringsW()) {
        for (const WCHAR* p = pBlock; *p; p += wcslen(p) + 1)
            if (_wcsnicmp(p, L"QVR", 3) == 0)
                names.push_back(wstr(p, wcschr(p, L'=') ? wcschr(p, L'=') - p : wcslen(p)));
        FreeEnvironmentStringsW(pBlock);
    }
    for (const wstr& name : names)
        SetEnvironmentVariableW(name.c_str(), nullptr);
}
#endif

void clearTestFolder()
{
#ifdef _WIN32
    // Read-only files would stay behind.
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(L"C:\\qvrtest"), ec))
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(std::filesystem::path(L"C:\\qvrtest"), ec);
#endif
    CreateDirectoryW(kTestFolder, nullptr);
}

}  // namespace

wstr W(const char* szUtf8)
{
    wstr out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(szUtf8);
    while (p && *p) {
        uint32_t cp = *p;
        int extra = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
        if (extra)
            cp &= 0x3Fu >> extra;
        ++p;
        for (int k = 0; k < extra && *p; ++k, ++p)
            cp = (cp << 6) | (*p & 0x3Fu);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<WCHAR>(0xD800 + (cp >> 10));
            out += static_cast<WCHAR>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<WCHAR>(cp);
        }
    }
    return out;
}

std::string narrow(const wstr& text)
{
    std::string out;
    for (WCHAR wc : text) {
        uint32_t cp = static_cast<uint16_t>(wc);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

void resetMachine()
{
#ifdef _WIN32
    deleteKeyTree(HKEY_LOCAL_MACHINE, W("SOFTWARE\\Dravonne"));
    restoreProcessState();
#else
    qvrsim::reset();
#endif
    clearTestFolder();
    CQVRLogConfiguration::forgetDynamicLoggingState();
    SetLastError(0);
}

wstr testFolder() { return kTestFolder; }

void setDword(HKEY root, const wstr& keyPath, const wstr& valueName, uint32_t value)
{
    DWORD data = value;
    setValueBytes(root, keyPath, valueName, REG_DWORD, &data, sizeof data);
}

void setString(HKEY root, const wstr& keyPath, const wstr& valueName, const wstr& value)
{
    setValueBytes(root, keyPath, valueName, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(WCHAR));
}

void setBinary(HKEY root, const wstr& keyPath, const wstr& valueName, const std::vector<uint8_t>& data)
{
    setValueBytes(root, keyPath, valueName, REG_BINARY, data.data(), data.size());
}

// Removes the key with everything below it, from both registry views.
void deleteKeyTree(HKEY root, const wstr& keyPath)
{
    size_t split = keyPath.find_last_of(static_cast<WCHAR>('\\'));
    wstr parent = split == wstr::npos ? wstr() : keyPath.substr(0, split);
    wstr leaf = split == wstr::npos ? keyPath : keyPath.substr(split + 1);
    const REGSAM views[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
    for (REGSAM view : views) {
        HKEY hParent = nullptr;
        if (RegOpenKeyExW(root, parent.c_str(), 0, KEY_ALL_ACCESS | view, &hParent) == ERROR_SUCCESS) {
            RegDeleteTreeW(hParent, leaf.c_str());
            RegCloseKey(hParent);
        }
    }
}

LONG readValue(HKEY root, const wstr& keyPath, const wstr& valueName, DWORD& type, std::vector<uint8_t>& bytes,
               REGSAM view)
{
    HKEY hKey = nullptr;
    LONG rc = RegOpenKeyExW(root, keyPath.c_str(), 0, qvrRegistryView(KEY_READ | view), &hKey);
    if (rc != ERROR_SUCCESS)
        return rc;
    DWORD cb = 0;
    rc = RegQueryValueExW(hKey, valueName.empty() ? nullptr : valueName.c_str(), nullptr, &type, nullptr, &cb);
    bytes.assign(cb, 0);
    if (rc == ERROR_SUCCESS && cb != 0)
        rc = RegQueryValueExW(hKey, valueName.empty() ? nullptr : valueName.c_str(), nullptr, &type, bytes.data(), &cb);
    bytes.resize(cb);
    RegCloseKey(hKey);
    return rc;
}

bool keyExists(HKEY root, const wstr& keyPath, REGSAM view)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, qvrRegistryView(KEY_READ | view), &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

void setLogValue(const wstr& valueName, uint32_t value) { setDword(HKEY_LOCAL_MACHINE, kLogsKey, valueName, value); }

void setLogString(const wstr& valueName, const wstr& value)
{
    setString(HKEY_LOCAL_MACHINE, kLogsKey, valueName, value);
}

wstr enableTextLog(uint32_t ulLogDetail)
{
    setLogValue(W("Logging"), 1);
    if (ulLogDetail)
        setLogValue(W("LogDetail"), ulLogDetail);
    wstr path = testFolder() + W("logs\\test.log");
    setLogString(W("TextOutput"), path);
    return path;
}

std::vector<uint8_t> readFile(const wstr& path)
{
    std::vector<uint8_t> bytes;
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return bytes;
    uint8_t chunk[4096];
    DWORD got = 0;
    while (ReadFile(hFile, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(hFile);
    return bytes;
}

bool fileExists(const wstr& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<wstr> readLogLines(const wstr& path)
{
    std::vector<uint8_t> bytes = readFile(path);
    std::vector<wstr> lines;
    size_t start = (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) ? 2 : 0;
    wstr text;
    for (size_t i = start; i + 1 < bytes.size(); i += 2)
        text += static_cast<WCHAR>(bytes[i] | (bytes[i + 1] << 8));
    size_t from = 0;
    for (;;) {
        size_t end = text.find(W("\r\n"), from);
        if (end == wstr::npos)
            break;
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    if (from < text.size())
        lines.push_back(text.substr(from));
    return lines;
}

wstr modulePath()
{
    std::vector<WCHAR> buffer(64);
    for (;;) {
        DWORD cch = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (cch < buffer.size())
            return wstr(buffer.data(), cch);
        buffer.resize(buffer.size() * 2);
    }
}

wstr moduleBaseName()
{
    wstr path = modulePath();
    size_t slash = path.find_last_of(static_cast<WCHAR>('\\'));
    wstr name = slash == wstr::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of(static_cast<WCHAR>('.'));
    return dot == wstr::npos ? name : name.substr(0, dot);
}

bool failNext(const char* szFunction, DWORD ulError, size_t ulTimes)
{
#ifdef _WIN32
    (void)szFunction;
    (void)ulError;
    (void)ulTimes;
    return false;
#else
    qvrsim::failNext(szFunction, ulError, ulTimes);
    return true;
#endif
}

size_t openHandles()
{
#ifdef _WIN32
    return 0;
#else
    return qvrsim::openHandles();
#endif
}

#ifndef _WIN32
void expectWholeOrFailed(const std::function<void()>& prepare, const std::function<std::string()>& answer)
{
    prepare();
    qvrsim::resetAllocations();
    const std::string whole = answer();
    const size_t ulAllocations = qvrsim::allocationsMade();
    for (size_t n = 1; n <= ulAllocations; ++n) {
        prepare();
        qvrsim::resetAllocations();
        qvrsim::failAllocation(n);
        std::string got = "failed";
        try {
            got = answer();
        } catch (const CQVRLogging&) {
            // A constructor that fails says so by throwing.
        }
        EXPECT_TRUE(got == whole || got == "failed") << whole << ", allocation " << n << ": " << got;
    }
}
#endif

bool privilegeEnabled(const char* szPrivilege)
{
#ifdef _WIN32
    LUID luid;
    HANDLE hToken = nullptr;
    if (!LookupPrivilegeValueW(nullptr, W(szPrivilege).c_str(), &luid) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return false;
    std::vector<BYTE> buffer(4096);
    DWORD cb = 0;
    bool bEnabled = false;
    if (GetTokenInformation(hToken, TokenPrivileges, buffer.data(), static_cast<DWORD>(buffer.size()), &cb)) {
        const TOKEN_PRIVILEGES* pPrivileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
        const LUID_AND_ATTRIBUTES* entries = pPrivileges->Privileges;
        for (DWORD i = 0; i < pPrivileges->PrivilegeCount; ++i)
            if (entries[i].Luid.LowPart == luid.LowPart && entries[i].Luid.HighPart == luid.HighPart)
                bEnabled = (entries[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    CloseHandle(hToken);
    return bEnabled;
#else
    return qvrsim::privilegeEnabled(W(szPrivilege));
#endif
}

bool onSubstitute()
{
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

}  // namespace qvrtest
