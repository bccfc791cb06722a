// The registry: five roots, keys and typed values, and the 32-bit view of
// HKEY_LOCAL_MACHINE Software on a 64-bit machine.
#include "qvr_sim_state.h"

#include <cstring>

using qvrsim::Machine;
using qvrsim::RegKey;
using qvrsim::wstr;

namespace {

bool isRoot(HKEY hKey)
{
    uintptr_t h = reinterpret_cast<uintptr_t>(hKey);
    return h == 0x80000000u || h == 0x80000001u || h == 0x80000002u || h == 0x80000003u || h == 0x80000005u;
}

std::vector<wstr> splitPath(LPCWSTR szPath)
{
    std::vector<wstr> parts;
    wstr part;
    for (size_t i = 0; szPath && szPath[i]; ++i) {
        if (szPath[i] == u'\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += szPath[i];
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

// Where a key opened from hKey with this path and access lives.
bool resolve(HKEY hKey, LPCWSTR szSubKey, REGSAM sam, uintptr_t& root, std::vector<wstr>& path)
{
    Machine& m = qvrsim::machine();
    std::vector<wstr> rel = splitPath(szSubKey);
    if (isRoot(hKey)) {
        root = reinterpret_cast<uintptr_t>(hKey);
        path = rel;
        // A 64-bit Windows keeps the 32-bit programs' Software apart.
        if (root == 0x80000002u && m.is64Bit && (sam & KEY_WOW64_32KEY) && !path.empty() &&
            qvrsim::lowerCase(path[0]) == u"software" &&
            (path.size() < 2 || qvrsim::lowerCase(path[1]) != u"wow6432node"))
            path.insert(path.begin() + 1, u"Wow6432Node");
        return true;
    }
    auto it = m.keyHandles.find(reinterpret_cast<uintptr_t>(hKey));
    if (it == m.keyHandles.end())
        return false;
    root = it->second.root;
    path = it->second.path;
    path.insert(path.end(), rel.begin(), rel.end());
    return true;
}

RegKey* findKey(uintptr_t root, const std::vector<wstr>& path, bool bCreate, bool* pCreated = nullptr)
{
    RegKey* key = &qvrsim::machine().roots[root];
    for (const wstr& name : path) {
        wstr lower = qvrsim::lowerCase(name);
        auto it = key->subKeys.find(lower);
        if (it == key->subKeys.end()) {
            if (!bCreate)
                return nullptr;
            auto fresh = std::make_unique<RegKey>();
            fresh->name = name;
            it = key->subKeys.emplace(lower, std::move(fresh)).first;
            if (pCreated)
                *pCreated = true;
        }
        key = it->second.get();
    }
    return key;
}

RegKey* keyOf(HKEY hKey)
{
    uintptr_t root;
    std::vector<wstr> path;
    if (!resolve(hKey, nullptr, 0, root, path))
        return nullptr;
    return findKey(root, path, false);
}

HKEY newHandle(uintptr_t root, const std::vector<wstr>& path)
{
    Machine& m = qvrsim::machine();
    uintptr_t h = m.nextHandle;
    m.nextHandle += 4;
    m.keyHandles[h] = Machine::KeyHandle{root, path};
    return reinterpret_cast<HKEY>(h);
}

LONG openOrCreate(const char* function, HKEY hKey, LPCWSTR lpSubKey, REGSAM sam, PHKEY phkResult, bool bCreate,
                  LPDWORD lpdwDisposition)
{
    if (qvrsim::injectedFailure(function))
        return static_cast<LONG>(GetLastError());
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    uintptr_t root;
    std::vector<wstr> path;
    if (!resolve(hKey, lpSubKey, sam, root, path))
        return ERROR_INVALID_HANDLE;
    bool bCreated = false;
    if (findKey(root, path, bCreate, &bCreated) == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (lpdwDisposition)
        *lpdwDisposition = bCreated ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = newHandle(root, path);
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    return openOrCreate("RegOpenKeyExW", hKey, lpSubKey, samDesired, phkResult, false, nullptr);
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired, LPSECURITY_ATTRIBUTES,
                     PHKEY phkResult, LPDWORD lpdwDisposition)
{
    return openOrCreate("RegCreateKeyExW", hKey, lpSubKey, samDesired, phkResult, true, lpdwDisposition);
}

LONG RegCloseKey(HKEY hKey)
{
    if (qvrsim::injectedFailure("RegCloseKey"))
        return static_cast<LONG>(GetLastError());
    if (isRoot(hKey))
        return ERROR_SUCCESS;
    return qvrsim::machine().keyHandles.erase(reinterpret_cast<uintptr_t>(hKey)) ? ERROR_SUCCESS
                                                                                  : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (qvrsim::injectedFailure("RegQueryValueExW"))
        return static_cast<LONG>(GetLastError());
    RegKey* key = keyOf(hKey);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    auto it = key->values.find(qvrsim::lowerCase(lpValueName ? wstr(lpValueName) : wstr()));
    if (it == key->values.end())
        return ERROR_FILE_NOT_FOUND;
    const qvrsim::RegValue& value = it->second;
    if (lpType)
        *lpType = value.type;
    DWORD cbNeeded = static_cast<DWORD>(value.data.size());
    if (lpData == nullptr) {
        if (lpcbData)
            *lpcbData = cbNeeded;
        return ERROR_SUCCESS;
    }
    if (lpcbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (*lpcbData < cbNeeded) {
        *lpcbData = cbNeeded;
        return ERROR_MORE_DATA;
    }
    if (cbNeeded)
        std::memcpy(lpData, value.data.data(), cbNeeded);
    *lpcbData = cbNeeded;
    return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    if (qvrsim::injectedFailure("RegSetValueExW"))
        return static_cast<LONG>(GetLastError());
    RegKey* key = keyOf(hKey);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    wstr name = lpValueName ? wstr(lpValueName) : wstr();
    qvrsim::RegValue& value = key->values[qvrsim::lowerCase(name)];
    value.name = name;
    value.type = dwType;
    value.data.assign(lpData, lpData + (lpData ? cbData : 0));
    return ERROR_SUCCESS;
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    RegKey* key = keyOf(hKey);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    return key->values.erase(qvrsim::lowerCase(lpValueName ? wstr(lpValueName) : wstr())) ? ERROR_SUCCESS
                                                                                          : ERROR_FILE_NOT_FOUND;
}

// As on Windows, only a key without subkeys can be deleted.
LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    uintptr_t root;
    std::vector<wstr> path;
    if (!resolve(hKey, lpSubKey, 0, root, path))
        return ERROR_INVALID_HANDLE;
    if (path.empty())
        return ERROR_ACCESS_DENIED;
    RegKey* key = findKey(root, path, false);
    if (key == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (!key->subKeys.empty())
        return ERROR_ACCESS_DENIED;
    std::vector<wstr> parentPath(path.begin(), path.end() - 1);
    findKey(root, parentPath, false)->subKeys.erase(qvrsim::lowerCase(path.back()));
    return ERROR_SUCCESS;
}

LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey)
{
    uintptr_t root;
    std::vector<wstr> path;
    if (!resolve(hKey, lpSubKey, 0, root, path))
        return ERROR_INVALID_HANDLE;
    RegKey* key = findKey(root, path, false);
    if (key == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (path.empty() || (lpSubKey == nullptr || *lpSubKey == 0)) {
        key->subKeys.clear();
        key->values.clear();
        return ERROR_SUCCESS;
    }
    std::vector<wstr> parentPath(path.begin(), path.end() - 1);
    findKey(root, parentPath, false)->subKeys.erase(qvrsim::lowerCase(path.back()));
    return ERROR_SUCCESS;
}
