// The registry: five roots, keys and typed values, and the 32-bit view of
// HKEY_LOCAL_MACHINE Software on a 64-bit machine. Registry functions report
// through their result and leave the thread's last error alone.
#include "qvr_sim_state.h"

#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define QVR_SIM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QVR_SIM_ASAN 1
#endif
#endif
#ifdef QVR_SIM_ASAN
#include <sanitizer/asan_interface.h>
#endif

using qvrsim::Machine;
using qvrsim::RegKey;
using qvrsim::wstr;

namespace {

typedef std::shared_ptr<RegKey> KeyPtr;

const uintptr_t kLocalMachine = 0x80000002u;

bool isRoot(HKEY hKey)
{
    uintptr_t h = reinterpret_cast<uintptr_t>(hKey);
    return h == 0x80000000u || h == 0x80000001u || h == kLocalMachine || h == 0x80000003u || h == 0x80000005u;
}

KeyPtr rootKey(uintptr_t root)
{
    KeyPtr& key = qvrsim::machine().roots[root];
    if (!key)
        key = std::make_shared<RegKey>();
    return key;
}

// The key an open handle (or a root) stands for; null for an unknown handle.
KeyPtr keyOf(HKEY hKey)
{
    if (isRoot(hKey))
        return rootKey(reinterpret_cast<uintptr_t>(hKey));
    auto& handles = qvrsim::machine().keyHandles;
    auto it = handles.find(reinterpret_cast<uintptr_t>(hKey));
    return it == handles.end() ? KeyPtr() : it->second;
}

// Splits a sub-key path at its backslashes; a path that starts with one is
// not a sub-key path at all.
bool splitPath(LPCWSTR szPath, std::vector<wstr>& parts)
{
    if (szPath && szPath[0] == u'\\')
        return false;
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
    return true;
}

// Where a path opened from hKey with this access lives: a 64-bit Windows
// keeps the 32-bit programs' HKEY_LOCAL_MACHINE Software apart. The view
// only counts when the path starts at the root; below an open key the path
// simply continues from that key, as on Windows.
LONG resolve(HKEY hKey, LPCWSTR szSubKey, REGSAM sam, KeyPtr& base, std::vector<wstr>& path)
{
    base = keyOf(hKey);
    if (!base)
        return ERROR_INVALID_HANDLE;
    if (base->bDeleted)
        return QVR_SIM_ERROR_KEY_DELETED;
    if (!splitPath(szSubKey, path))
        return QVR_SIM_ERROR_BAD_PATHNAME;
    if (reinterpret_cast<uintptr_t>(hKey) == kLocalMachine && qvrsim::machine().is64Bit && (sam & KEY_WOW64_32KEY) &&
        !path.empty() && qvrsim::lowerCase(path[0]) == u"software" &&
        (path.size() < 2 || qvrsim::lowerCase(path[1]) != u"wow6432node"))
        path.insert(path.begin() + 1, u"Wow6432Node");
    return ERROR_SUCCESS;
}

KeyPtr walk(KeyPtr key, const std::vector<wstr>& path, bool bCreate, bool* pCreated = nullptr)
{
    for (const wstr& name : path) {
        wstr lower = qvrsim::lowerCase(name);
        auto it = key->subKeys.find(lower);
        if (it == key->subKeys.end()) {
            if (!bCreate)
                return KeyPtr();
            auto fresh = std::make_shared<RegKey>();
            fresh->name = name;
            it = key->subKeys.emplace(lower, fresh).first;
            if (pCreated)
                *pCreated = true;
        }
        key = it->second;
    }
    return key;
}

HKEY newHandle(const KeyPtr& key)
{
    uintptr_t h = qvrsim::newHandleValue();
    qvrsim::machine().keyHandles[h] = key;
    return reinterpret_cast<HKEY>(h);
}

// The key for a value operation: an open, not deleted key.
LONG valueKey(HKEY hKey, KeyPtr& key)
{
    key = keyOf(hKey);
    if (!key)
        return ERROR_INVALID_HANDLE;
    return key->bDeleted ? QVR_SIM_ERROR_KEY_DELETED : ERROR_SUCCESS;
}

void markDeleted(RegKey& key)
{
    key.bDeleted = true;
    for (auto& sub : key.subKeys)
        markDeleted(*sub.second);
}

LONG openOrCreate(const char* function, HKEY hKey, LPCWSTR lpSubKey, REGSAM sam, PHKEY phkResult, bool bCreate,
                  LPDWORD lpdwDisposition)
{
    DWORD injected;
    if (qvrsim::injectedFailure(function, injected))
        return static_cast<LONG>(injected);
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyPtr base;
    std::vector<wstr> path;
    LONG rc = resolve(hKey, lpSubKey, sam, base, path);
    if (rc != ERROR_SUCCESS)
        return rc;
    bool bCreated = false;
    KeyPtr key = walk(base, path, bCreate, &bCreated);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    if (lpdwDisposition)
        *lpdwDisposition = bCreated ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = newHandle(key);
    return ERROR_SUCCESS;
}

// Finds the parent of the key named by hKey and lpSubKey, for deletion.
LONG parentAndLeaf(HKEY hKey, LPCWSTR lpSubKey, KeyPtr& parent, wstr& leaf)
{
    KeyPtr base;
    std::vector<wstr> path;
    LONG rc = resolve(hKey, lpSubKey, 0, base, path);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (path.empty())
        return ERROR_ACCESS_DENIED;
    leaf = qvrsim::lowerCase(path.back());
    path.pop_back();
    parent = walk(base, path, false);
    if (!parent || parent->subKeys.find(leaf) == parent->subKeys.end())
        return ERROR_FILE_NOT_FOUND;
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
    DWORD injected;
    if (qvrsim::injectedFailure("RegCloseKey", injected))
        return static_cast<LONG>(injected);
    if (isRoot(hKey))
        return ERROR_SUCCESS;
    return qvrsim::machine().keyHandles.erase(reinterpret_cast<uintptr_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// As Wine answers: a buffer too small gets nothing written and the size
// needed; without a data buffer the call is a size query.
LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegQueryValueExW", injected))
        return static_cast<LONG>(injected);
    if (lpData != nullptr && lpcbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyPtr key;
    LONG rc = valueKey(hKey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
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
    if (*lpcbData < cbNeeded) {
        *lpcbData = cbNeeded;
        return ERROR_MORE_DATA;
    }
    if (cbNeeded)
        std::memcpy(lpData, value.data.data(), cbNeeded);
    // A string stored without its terminator gets one when there is room.
    bool bString = value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
    if (bString && cbNeeded >= 2 && cbNeeded % 2 == 0 && *lpcbData >= cbNeeded + 2 &&
        (lpData[cbNeeded - 2] != 0 || lpData[cbNeeded - 1] != 0)) {
        lpData[cbNeeded] = 0;
        lpData[cbNeeded + 1] = 0;
    }
    *lpcbData = cbNeeded;
    return ERROR_SUCCESS;
}

// Windows looks one unit past the data of a string given without its
// terminator; the substitute may only do so where the caller's memory goes on.
// AddressSanitizer knows where it ends; without it the substitute never looks.
static bool terminatorBehind(const BYTE* lpData, DWORD cbData)
{
#ifdef QVR_SIM_ASAN
    if (__asan_region_is_poisoned(const_cast<BYTE*>(lpData + cbData), 2) != nullptr)
        return false;
    return lpData[cbData] == 0 && lpData[cbData + 1] == 0;
#else
    (void)lpData;
    (void)cbData;
    return false;
#endif
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegSetValueExW", injected))
        return static_cast<LONG>(injected);
    KeyPtr key;
    LONG rc = valueKey(hKey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    // Windows and Wine keep the terminator of a string given without it when
    // one follows right behind the data.
    bool bString = dwType == REG_SZ || dwType == REG_EXPAND_SZ || dwType == REG_MULTI_SZ;
    if (lpData && bString && cbData >= 2 && cbData % 2 == 0 && (lpData[cbData - 2] || lpData[cbData - 1]) &&
        terminatorBehind(lpData, cbData))
        cbData += 2;
    wstr name = lpValueName ? wstr(lpValueName) : wstr();
    qvrsim::RegValue& value = key->values[qvrsim::lowerCase(name)];
    value.name = name;
    value.type = dwType;
    value.data.assign(lpData, lpData + (lpData ? cbData : 0));
    return ERROR_SUCCESS;
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegDeleteValueW", injected))
        return static_cast<LONG>(injected);
    KeyPtr key;
    LONG rc = valueKey(hKey, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    return key->values.erase(qvrsim::lowerCase(lpValueName ? wstr(lpValueName) : wstr())) ? ERROR_SUCCESS
                                                                                          : ERROR_FILE_NOT_FOUND;
}

// As on Windows, only a key without subkeys can be deleted.
LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegDeleteKeyW", injected))
        return static_cast<LONG>(injected);
    KeyPtr parent;
    wstr leaf;
    LONG rc = parentAndLeaf(hKey, lpSubKey, parent, leaf);
    if (rc != ERROR_SUCCESS)
        return rc;
    auto it = parent->subKeys.find(leaf);
    if (!it->second->subKeys.empty())
        return ERROR_ACCESS_DENIED;
    markDeleted(*it->second);
    parent->subKeys.erase(it);
    return ERROR_SUCCESS;
}

// Without a sub-key, the key itself stays and only its contents go.
LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegDeleteTreeW", injected))
        return static_cast<LONG>(injected);
    if (lpSubKey == nullptr || *lpSubKey == 0) {
        KeyPtr key;
        LONG rc = valueKey(hKey, key);
        if (rc != ERROR_SUCCESS)
            return rc;
        for (auto& sub : key->subKeys)
            markDeleted(*sub.second);
        key->subKeys.clear();
        key->values.clear();
        return ERROR_SUCCESS;
    }
    KeyPtr parent;
    wstr leaf;
    LONG rc = parentAndLeaf(hKey, lpSubKey, parent, leaf);
    if (rc != ERROR_SUCCESS)
        return rc;
    auto it = parent->subKeys.find(leaf);
    markDeleted(*it->second);
    parent->subKeys.erase(it);
    return ERROR_SUCCESS;
}
