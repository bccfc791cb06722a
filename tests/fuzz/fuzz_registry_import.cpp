// The registry text import on any file contents: it never crashes or hangs,
// and it writes only to the keys the file's sections name (their parents are
// made only as keys, without values).
#include "fuzz_support.h"

#include "qvr_sim.h"
#include "registry/qvr_registry_file.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace {

typedef std::u16string wstr;

wstr lower(wstr text)
{
    for (char16_t& ch : text)
        if (ch >= u'A' && ch <= u'Z')
            ch = static_cast<char16_t>(ch + 32);
    return text;
}

struct Root {
    HKEY hKey;
    const char16_t* szName;
};
const Root kRoots[] = {{HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"},
                       {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER"},
                       {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT"},
                       {HKEY_USERS, u"HKEY_USERS"},
                       {HKEY_CURRENT_CONFIG, u"HKEY_CURRENT_CONFIG"}};

// "<root name>\<path>" in lower case, as the import reads a section: the
// root before the first backslash (an unknown one is the local machine).
wstr keyOfSection(const wstr& section)
{
    const size_t slash = section.find(u'\\');
    wstr root = u"HKEY_LOCAL_MACHINE";
    wstr path = section;
    if (slash != wstr::npos) {
        for (const Root& r : kRoots)
            if (section.compare(0, slash, r.szName) == 0)
                root = r.szName;
        path = section.substr(slash + 1);
    }
    // The platform keeps no empty path parts.
    wstr clean;
    for (size_t i = 0; i < path.size(); ++i)
        if (path[i] != u'\\' || (!clean.empty() && clean.back() != u'\\'))
            clean += path[i];
    while (!clean.empty() && clean.back() == u'\\')
        clean.pop_back();
    return lower(clean.empty() ? root : root + u"\\" + clean);
}

// The keys a fresh machine has, with their value counts: the import may
// leave them as they are.
typedef std::map<wstr, DWORD> KeyTree;

void readTree(HKEY hKey, const wstr& name, KeyTree& tree)
{
    DWORD ulValues = 0;
    DWORD ulSubKeys = 0;
    RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &ulSubKeys, nullptr, nullptr, &ulValues, nullptr, nullptr,
                     nullptr, nullptr);
    tree[lower(name)] = ulValues;
    for (DWORD i = 0; i < ulSubKeys; ++i) {
        char16_t szSub[256];
        DWORD cch = 256;
        if (RegEnumKeyExW(hKey, i, szSub, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        HKEY hSub = nullptr;
        if (RegOpenKeyExW(hKey, szSub, 0, KEY_READ, &hSub) == ERROR_SUCCESS) {
            readTree(hSub, name + u"\\" + wstr(szSub, cch), tree);
            RegCloseKey(hSub);
        }
    }
}

void checkKey(const wstr& name, DWORD ulValues, const std::set<wstr>& written, const KeyTree& before)
{
    const wstr key = lower(name);
    const auto existing = before.find(key);
    if (existing != before.end() && existing->second == ulValues)
        return;
    bool bAllowed = written.count(key) != 0;
    bool bParent = false;
    for (const wstr& w : written)
        bParent = bParent || (w.size() > key.size() && w.compare(0, key.size(), key) == 0 && w[key.size()] == u'\\');
    QVR_FUZZ_CHECK(bAllowed || bParent || key.find(u'\\') == wstr::npos);
    QVR_FUZZ_CHECK(ulValues == 0 || bAllowed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    qvrsim::reset();
    // A 32-bit Windows keeps every key where its path says.
    qvrsim::set64BitWindows(false);
    const char16_t* const szFile = u"C:\\fuzz.txt";
    HANDLE hFile = CreateFileW(szFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD ulWritten = 0;
    WriteFile(hFile, pData, static_cast<DWORD>(cb), &ulWritten, nullptr);
    CloseHandle(hFile);

    KeyTree before;
    for (const Root& root : kRoots)
        readTree(root.hKey, root.szName, before);
    std::set<wstr> written;
    static char16_t szNames[0x20000];
    const DWORD ulNames = GetPrivateProfileSectionNamesW(szNames, 0x20000, szFile);
    for (DWORD i = 0; i < ulNames;) {
        const wstr section(szNames + i);
        written.insert(keyOfSection(section));
        i += static_cast<DWORD>(section.size()) + 1;
    }

    CQVRRegistryFile(CQVRWCharString(szFile)).importFromFile();

    KeyTree after;
    for (const Root& root : kRoots)
        readTree(root.hKey, root.szName, after);
    for (const auto& key : after)
        checkKey(key.first, key.second, written, before);
    QVR_FUZZ_CHECK(qvrsim::openHandles() == 0);
    return 0;
}
