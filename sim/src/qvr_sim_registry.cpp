// The registry: five roots, keys and typed values, and the 32-bit view of
// HKEY_LOCAL_MACHINE Software on a 64-bit machine. Registry functions report
// through their result and leave the thread's last error alone. Keys and
// values are enumerated in the order of their lower-case names, as Wine
// gives them (Windows promises no order).
#include "qvr_sim_state.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

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

// The key an open handle (or a root, open with every right) stands for and
// the access it was opened with; false for an unknown handle.
bool handleOf(HKEY hKey, KeyPtr& key, REGSAM& access)
{
    if (isRoot(hKey)) {
        key = rootKey(reinterpret_cast<uintptr_t>(hKey));
        access = KEY_ALL_ACCESS;
        return true;
    }
    auto& handles = qvrsim::machine().keyHandles;
    auto it = handles.find(reinterpret_cast<uintptr_t>(hKey));
    if (it == handles.end())
        return false;
    key = it->second.key;
    access = it->second.access;
    return true;
}

KeyPtr keyOf(HKEY hKey)
{
    KeyPtr key;
    REGSAM access;
    return handleOf(hKey, key, access) ? key : KeyPtr();
}

// The key for an operation on an open handle that needs these rights: the
// handle must have them and its key must not be deleted.
LONG useKey(HKEY hKey, REGSAM needed, KeyPtr& key)
{
    REGSAM access = 0;
    if (!handleOf(hKey, key, access))
        return ERROR_INVALID_HANDLE;
    if ((access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    return key->bDeleted ? QVR_SIM_ERROR_KEY_DELETED : ERROR_SUCCESS;
}

void touch(RegKey& key) { key.lastWrite = qvrsim::fileTimeNow(); }

void putFileTime(PFILETIME pft, uint64_t time)
{
    if (pft) {
        pft->dwLowDateTime = static_cast<DWORD>(time);
        pft->dwHighDateTime = static_cast<DWORD>(time >> 32);
    }
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

KeyPtr walk(KeyPtr key, const std::vector<wstr>& path)
{
    for (const wstr& name : path) {
        auto it = key->subKeys.find(qvrsim::lowerCase(name));
        if (it == key->subKeys.end())
            return KeyPtr();
        key = it->second;
    }
    return key;
}

// Creates what is missing of the path with the given options; the keys made
// along the way get them too, as on Windows. A volatile key only takes
// volatile subkeys, so nothing is made below one for a non-volatile key. The
// first systemKeys names stand for keys every Windows has (those right below
// a root, and Wow6432Node), which are never volatile.
LONG walkCreating(KeyPtr key, const std::vector<wstr>& path, size_t systemKeys, DWORD options, KeyPtr& result,
                  bool& bCreated)
{
    for (size_t i = 0; i < path.size(); ++i) {
        bool bVolatile = (options & REG_OPTION_VOLATILE) != 0 && i >= systemKeys;
        wstr lower = qvrsim::lowerCase(path[i]);
        auto it = key->subKeys.find(lower);
        if (it == key->subKeys.end()) {
            if (key->bVolatile && !bVolatile)
                return QVR_SIM_ERROR_CHILD_MUST_BE_VOLATILE;
            auto fresh = std::make_shared<RegKey>();
            fresh->name = path[i];
            fresh->bVolatile = bVolatile;
            touch(*fresh);
            touch(*key);
            it = key->subKeys.emplace(lower, fresh).first;
            bCreated = true;
        }
        key = it->second;
    }
    result = key;
    return ERROR_SUCCESS;
}

size_t systemKeysOf(HKEY hKey, const std::vector<wstr>& path)
{
    if (!isRoot(hKey))
        return 0;
    bool bWow6432Node = reinterpret_cast<uintptr_t>(hKey) == kLocalMachine && path.size() >= 2 &&
                        qvrsim::lowerCase(path[0]) == u"software" && qvrsim::lowerCase(path[1]) == u"wow6432node";
    return bWow6432Node ? 2 : 1;
}

// The view flags choose where a key is, not what may be done with it.
HKEY newHandle(const KeyPtr& key, REGSAM sam)
{
    uintptr_t h = qvrsim::newHandleValue();
    qvrsim::KeyHandle& handle = qvrsim::machine().keyHandles[h];
    handle.key = key;
    handle.access = sam & ~static_cast<REGSAM>(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    return reinterpret_cast<HKEY>(h);
}

void markDeleted(RegKey& key)
{
    key.bDeleted = true;
    for (auto& sub : key.subKeys)
        markDeleted(*sub.second);
}

LONG openOrCreate(const char* function, HKEY hKey, LPCWSTR lpSubKey, REGSAM sam, PHKEY phkResult, bool bCreate,
                  DWORD options, LPDWORD lpdwDisposition)
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
    KeyPtr key;
    if (bCreate) {
        rc = walkCreating(base, path, systemKeysOf(hKey, path), options, key, bCreated);
        if (rc != ERROR_SUCCESS)
            return rc;
    } else {
        key = walk(base, path);
        if (!key)
            return ERROR_FILE_NOT_FOUND;
    }
    if (lpdwDisposition)
        *lpdwDisposition = bCreated ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = newHandle(key, sam);
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
    parent = walk(base, path);
    if (!parent || parent->subKeys.find(leaf) == parent->subKeys.end())
        return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    return openOrCreate("RegOpenKeyExW", hKey, lpSubKey, samDesired, phkResult, false, 0, nullptr);
}

// Neither call asks anything of the parent handle's access: Windows checks
// the parent key's security instead, which the substitute leaves open.
LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD dwOptions, REGSAM samDesired,
                     LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition)
{
    return openOrCreate("RegCreateKeyExW", hKey, lpSubKey, samDesired, phkResult, true, dwOptions, lpdwDisposition);
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

namespace {

// A value's data for a caller's buffer, as Wine answers: a buffer too small
// gets nothing written and the size needed; without a data buffer the call
// is a size query.
LONG copyData(const qvrsim::RegValue& value, LPBYTE lpData, LPDWORD lpcbData)
{
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

const qvrsim::RegValue* findValue(const RegKey& key, LPCWSTR lpValueName)
{
    auto it = key.values.find(qvrsim::lowerCase(lpValueName ? wstr(lpValueName) : wstr()));
    return it == key.values.end() ? nullptr : &it->second;
}

}  // namespace

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegQueryValueExW", injected))
        return static_cast<LONG>(injected);
    if (lpData != nullptr && lpcbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyPtr key;
    LONG rc = useKey(hKey, KEY_QUERY_VALUE, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    const qvrsim::RegValue* value = findValue(*key, lpValueName);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (lpType)
        *lpType = value->type;
    return copyData(*value, lpData, lpcbData);
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
    LONG rc = useKey(hKey, KEY_SET_VALUE, key);
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
    touch(*key);
    return ERROR_SUCCESS;
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegDeleteValueW", injected))
        return static_cast<LONG>(injected);
    KeyPtr key;
    LONG rc = useKey(hKey, KEY_SET_VALUE, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (!key->values.erase(qvrsim::lowerCase(lpValueName ? wstr(lpValueName) : wstr())))
        return ERROR_FILE_NOT_FOUND;
    touch(*key);
    return ERROR_SUCCESS;
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
    touch(*parent);
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
        LONG rc = useKey(hKey, 0, key);
        if (rc != ERROR_SUCCESS)
            return rc;
        touch(*key);
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
    touch(*parent);
    return ERROR_SUCCESS;
}

// ---- enumeration, key metrics, several values at once, hive files

namespace {

// A name handed out through a buffer of *lpcch characters: one too small
// for the name and its terminator gets nothing written and keeps its size.
LONG copyName(const wstr& name, LPWSTR lpName, LPDWORD lpcch)
{
    if (*lpcch <= name.size())
        return ERROR_MORE_DATA;
    std::copy(name.begin(), name.end(), lpName);
    lpName[name.size()] = 0;
    *lpcch = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// Keys have no class here: an empty one, where there is room to say so.
void putEmptyClass(LPWSTR lpClass, LPDWORD lpcchClass)
{
    if (lpcchClass == nullptr)
        return;
    if (lpClass && *lpcchClass)
        lpClass[0] = 0;
    *lpcchClass = 0;
}

}  // namespace

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPWSTR lpClass,
                   LPDWORD lpcchClass, PFILETIME lpftLastWriteTime)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegEnumKeyExW", injected))
        return static_cast<LONG>(injected);
    if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    KeyPtr key;
    LONG rc = useKey(hKey, KEY_ENUMERATE_SUB_KEYS, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (dwIndex >= key->subKeys.size())
        return ERROR_NO_MORE_ITEMS;
    const RegKey& sub = *std::next(key->subKeys.begin(), dwIndex)->second;
    rc = copyName(sub.name, lpName, lpcchName);
    if (rc != ERROR_SUCCESS)
        return rc;
    putEmptyClass(lpClass, lpcchClass);
    putFileTime(lpftLastWriteTime, sub.lastWrite);
    return ERROR_SUCCESS;
}

// As Wine answers: a name buffer too small still gets the type and the data
// size, but neither the name nor the data.
LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegEnumValueW", injected))
        return static_cast<LONG>(injected);
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    KeyPtr key;
    LONG rc = useKey(hKey, KEY_QUERY_VALUE, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (dwIndex >= key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const qvrsim::RegValue& value = std::next(key->values.begin(), dwIndex)->second;
    if (lpType)
        *lpType = value.type;
    rc = copyName(value.name, lpValueName, lpcchValueName);
    if (rc != ERROR_SUCCESS) {
        if (lpcbData)
            *lpcbData = static_cast<DWORD>(value.data.size());
        return rc;
    }
    return copyData(value, lpData, lpcbData);
}

// Names in characters without the terminator, data in bytes, each measured
// over what the key holds now. Windows asks the handle for the query right
// (Wine asks for none); the security descriptor's size is given as 0, as
// Wine gives it.
LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                      LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegQueryInfoKeyW", injected))
        return static_cast<LONG>(injected);
    if (lpReserved || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    KeyPtr key;
    LONG rc = useKey(hKey, KEY_QUERY_VALUE, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    size_t cchSubKey = 0, cchValueName = 0, cbData = 0;
    for (const auto& sub : key->subKeys)
        cchSubKey = std::max(cchSubKey, sub.second->name.size());
    for (const auto& value : key->values) {
        cchValueName = std::max(cchValueName, value.second.name.size());
        cbData = std::max(cbData, value.second.data.size());
    }
    putEmptyClass(lpClass, lpcchClass);
    const std::pair<LPDWORD, size_t> answers[] = {
        {lpcSubKeys, key->subKeys.size()}, {lpcbMaxSubKeyLen, cchSubKey},       {lpcbMaxClassLen, 0},
        {lpcValues, key->values.size()},   {lpcbMaxValueNameLen, cchValueName}, {lpcbMaxValueLen, cbData},
        {lpcbSecurityDescriptor, 0}};
    for (const auto& answer : answers)
        if (answer.first)
            *answer.first = static_cast<DWORD>(answer.second);
    putFileTime(lpftLastWriteTime, key->lastWrite);
    return ERROR_SUCCESS;
}

// As Wine answers: the values' data one after the other without gaps; every
// entry gets its size, the entries whose data fits get type, pointer and
// data; a buffer too small gives ERROR_MORE_DATA with the total size needed.
// A missing value ends the call with its error and the size so far.
LONG RegQueryMultipleValuesW(HKEY hKey, PVALENTW val_list, DWORD num_vals, LPWSTR lpValueBuf, LPDWORD ldwTotsize)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegQueryMultipleValuesW", injected))
        return static_cast<LONG>(injected);
    if (!ldwTotsize || (num_vals && !val_list))
        return ERROR_INVALID_PARAMETER;
    KeyPtr key;
    LONG rc = useKey(hKey, KEY_QUERY_VALUE, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    const uint64_t cbBuffer = *ldwTotsize;
    BYTE* pBuffer = reinterpret_cast<BYTE*>(lpValueBuf);
    uint64_t cbTotal = 0;
    for (DWORD i = 0; i < num_vals; ++i) {
        VALENTW& entry = val_list[i];
        entry.ve_valuelen = 0;
        const qvrsim::RegValue* value = findValue(*key, entry.ve_valuename);
        if (!value) {
            *ldwTotsize = static_cast<DWORD>(cbTotal);
            return ERROR_FILE_NOT_FOUND;
        }
        entry.ve_valuelen = static_cast<DWORD>(value->data.size());
        if (pBuffer && cbTotal + value->data.size() <= cbBuffer) {
            if (!value->data.empty())
                std::memcpy(pBuffer + cbTotal, value->data.data(), value->data.size());
            entry.ve_valueptr = reinterpret_cast<DWORD_PTR>(pBuffer + cbTotal);
            entry.ve_type = value->type;
        }
        cbTotal += value->data.size();
    }
    *ldwTotsize = static_cast<DWORD>(cbTotal);
    return pBuffer && cbTotal <= cbBuffer ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

namespace {

const DWORD kBackupLuid = 17;
const DWORD kRestoreLuid = 18;

// The checks that saving and restoring share, in Windows' order: the
// handle, the privilege, the key, the file's folder.
LONG hiveCall(HKEY hKey, LPCWSTR lpFile, DWORD luidNeeded, KeyPtr& key, std::string& host)
{
    if (!lpFile || !*lpFile)
        return ERROR_INVALID_PARAMETER;
    REGSAM access;
    if (!handleOf(hKey, key, access))
        return ERROR_INVALID_HANDLE;
    if (!qvrsim::privilegeEnabledByLuid(luidNeeded))
        return ERROR_PRIVILEGE_NOT_HELD;
    if (key->bDeleted)
        return QVR_SIM_ERROR_KEY_DELETED;
    return static_cast<LONG>(qvrsim::locateFile(lpFile, host));
}

void collectTree(const RegKey& key, std::set<const RegKey*>& tree)
{
    tree.insert(&key);
    for (const auto& sub : key.subKeys)
        collectTree(*sub.second, tree);
}

// Another handle open at or below the key, which Windows only replaces when forced.
bool otherHandlesOpen(HKEY hKey, const RegKey& key)
{
    std::set<const RegKey*> tree;
    collectTree(key, tree);
    for (const auto& entry : qvrsim::machine().keyHandles)
        if (entry.first != reinterpret_cast<uintptr_t>(hKey) && tree.count(entry.second.key.get()))
            return true;
    return false;
}

void setVolatile(RegKey& key, bool bVolatile)
{
    key.bVolatile = bVolatile;
    for (auto& sub : key.subKeys)
        setVolatile(*sub.second, bVolatile);
}

}  // namespace

// Windows refuses a file that exists already (Wine overwrites it); nothing is
// written while the backup privilege is not enabled. Volatile keys are left out.
LONG RegSaveKeyW(HKEY hKey, LPCWSTR lpFile, LPSECURITY_ATTRIBUTES)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegSaveKeyW", injected))
        return static_cast<LONG>(injected);
    KeyPtr key;
    std::string host;
    LONG rc = hiveCall(hKey, lpFile, kBackupLuid, key, host);
    if (rc != ERROR_SUCCESS)
        return rc;
    int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0)
        return errno == EEXIST ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED;
    std::vector<BYTE> bytes = qvrsim::saveHive(*key);
    bool bWritten = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    if (!bWritten) {
        ::unlink(host.c_str());
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

// The file's key takes the place of the key's values and subkeys; the old
// subkeys are deleted for handles still open on them. (Wine 8 answers 0
// and restores nothing.)
LONG RegRestoreKeyW(HKEY hKey, LPCWSTR lpFile, DWORD dwFlags)
{
    DWORD injected;
    if (qvrsim::injectedFailure("RegRestoreKeyW", injected))
        return static_cast<LONG>(injected);
    KeyPtr key;
    std::string host;
    LONG rc = hiveCall(hKey, lpFile, kRestoreLuid, key, host);
    if (rc != ERROR_SUCCESS)
        return rc;
    struct stat st;
    if (::stat(host.c_str(), &st) != 0)
        return ERROR_FILE_NOT_FOUND;
    int fd = S_ISDIR(st.st_mode) ? -1 : ::open(host.c_str(), O_RDONLY);
    if (fd < 0)
        return ERROR_ACCESS_DENIED;
    std::vector<BYTE> bytes(static_cast<size_t>(st.st_size));
    bool bRead = ::read(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    RegKey restored;
    if (!bRead || !qvrsim::loadHive(bytes, restored))
        return QVR_SIM_ERROR_BADDB;
    if (!(dwFlags & REG_FORCE_RESTORE) && otherHandlesOpen(hKey, *key))
        return ERROR_ACCESS_DENIED;
    for (auto& sub : key->subKeys)
        markDeleted(*sub.second);
    key->subKeys = std::move(restored.subKeys);
    key->values = std::move(restored.values);
    for (auto& sub : key->subKeys)
        setVolatile(*sub.second, key->bVolatile);
    touch(*key);
    return ERROR_SUCCESS;
}
