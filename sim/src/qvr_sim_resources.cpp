// The program's own module and its string table, with the language chosen by
// the machine's UI language.
#include "qvr_sim_state.h"
#include "qvr_sim_string_table.h"

#include <cstring>

namespace qvrsim {

const HMODULE kOwnModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x00400000));

namespace {

// Set before main by the generated table; a program built without it has no
// resources at all.
const StringBlock* g_blocks = nullptr;
size_t g_blockCount = 0;

const StringBlock* findBlockEntry(LANGID language, WORD block)
{
    for (size_t i = 0; i < g_blockCount; ++i)
        if (g_blocks[i].language == language && g_blocks[i].block == block)
            return &g_blocks[i];
    return nullptr;
}

const WCHAR* findBlock(LANGID language, WORD block)
{
    const StringBlock* pEntry = findBlockEntry(language, block);
    return pEntry != nullptr ? pEntry->data : nullptr;
}

// A block's size in bytes: sixteen counted strings.
DWORD blockBytes(const WCHAR* data)
{
    const WCHAR* p = data;
    for (int i = 0; i < 16; ++i)
        p += *p + 1;
    return static_cast<DWORD>((p - data) * sizeof(WCHAR));
}

// Windows looks for the block, not the string: the user's exact language,
// then the primary language's neutral table, then English US. A block found
// in one language ends the search even when the string in it is empty.
// (Measured with Wine: a French-Canadian user gets English, not the French
// of France, so there is no step through the primary language's default
// sub-language.)
const WCHAR* findBlockForUser(WORD block)
{
    LANGID user = machine().uiLanguage;
    const LANGID order[] = {user, static_cast<LANGID>(user & 0x3FF), 0x0409};
    for (LANGID language : order)
        if (const WCHAR* data = findBlock(language, block))
            return data;
    return nullptr;
}

wstr baseName(const wstr& path)
{
    size_t slash = path.find_last_of(u"\\/");
    return slash == wstr::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool registerStringTable(const StringBlock* blocks, size_t count)
{
    g_blocks = blocks;
    g_blockCount = count;
    return true;
}

void setUILanguage(LANGID language) { machine().uiLanguage = language; }

}  // namespace qvrsim

HMODULE GetModuleHandleW(LPCWSTR lpModuleName)
{
    DWORD error;
    if (qvrsim::injectedFailure("GetModuleHandleW", error)) {
        SetLastError(error);
        return nullptr;
    }
    if (lpModuleName == nullptr)
        return qvrsim::kOwnModule;
    // A full path names the module loaded from there; a bare name is matched
    // against the module's file name, with ".dll" added when it has no
    // extension (so "qvrpatch" does not name qvrpatch.exe).
    const qvrsim::wstr& path = qvrsim::machine().modulePath;
    qvrsim::wstr name = qvrsim::lowerCase(lpModuleName);
    bool bPath = name.find_first_of(u"\\/") != qvrsim::wstr::npos;
    if (!bPath && name.find(u'.') == qvrsim::wstr::npos)
        name += u".dll";
    if (name == qvrsim::lowerCase(bPath ? path : qvrsim::baseName(path)))
        return qvrsim::kOwnModule;
    if (HMODULE hLoaded = qvrsim::loadedSystemModule(lpModuleName))
        return hLoaded;
    SetLastError(QVR_SIM_ERROR_MOD_NOT_FOUND);
    return nullptr;
}

int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    // Measured with Wine: without a buffer nothing is looked up, and no
    // path through here touches the last error except a failed look-up.
    if (lpBuffer == nullptr)
        return 0;
    DWORD error;
    if (qvrsim::injectedFailure("LoadStringW", error)) {
        SetLastError(error);
        return 0;
    }
    if ((hInstance != nullptr && hInstance != qvrsim::kOwnModule) || qvrsim::g_blockCount == 0) {
        SetLastError(QVR_SIM_ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    // Only the low word is the ID.
    WORD id = static_cast<WORD>(uID & 0xFFFF);
    const WCHAR* p = qvrsim::findBlockForUser(static_cast<WORD>(id / 16 + 1));
    if (p == nullptr) {
        SetLastError(QVR_SIM_ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    for (int i = 0; i < id % 16; ++i)
        p += *p + 1;
    int length = *p;
    const WCHAR* text = p + 1;
    if (cchBufferMax == 0) {
        // The buffer is really an LPCWSTR* that receives the text in place.
        std::memcpy(lpBuffer, &text, sizeof text);
        return length;
    }
    // The text is cut to the buffer, keeping one unit for the terminator; a
    // buffer of one unit receives nothing (and a negative size gives a
    // negative result, as Wine has it).
    int copied = cchBufferMax - 1 < length ? cchBufferMax - 1 : length;
    if (copied > 0) {
        std::memcpy(lpBuffer, text, static_cast<size_t>(copied) * sizeof(WCHAR));
        lpBuffer[copied] = 0;
    } else if (cchBufferMax > 1) {
        lpBuffer[0] = 0;
    }
    return copied;
}

LANGID GetUserDefaultUILanguage() { return qvrsim::machine().uiLanguage; }

// Only string blocks are kept; the handle is the block's entry, and loading
// and locking it give its data, which lives as long as the program.
HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    DWORD error;
    if (qvrsim::injectedFailure("FindResourceExW", error)) {
        SetLastError(error);
        return nullptr;
    }
    if ((hModule != nullptr && hModule != qvrsim::kOwnModule) || qvrsim::g_blockCount == 0) {
        SetLastError(QVR_SIM_ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    const uintptr_t type = reinterpret_cast<uintptr_t>(lpType);
    const uintptr_t name = reinterpret_cast<uintptr_t>(lpName);
    const qvrsim::StringBlock* pEntry =
        type == 6 && name <= 0xFFFF ? qvrsim::findBlockEntry(wLanguage, static_cast<WORD>(name)) : nullptr;
    if (pEntry == nullptr) {
        SetLastError(type == 6 ? QVR_SIM_ERROR_RESOURCE_NAME_NOT_FOUND : QVR_SIM_ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<qvrsim::StringBlock*>(pEntry));
}

HGLOBAL LoadResource(HMODULE, HRSRC hResInfo)
{
    if (hResInfo == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return const_cast<WCHAR*>(reinterpret_cast<const qvrsim::StringBlock*>(hResInfo)->data);
}

LPVOID LockResource(HGLOBAL hResData) { return hResData; }

DWORD SizeofResource(HMODULE, HRSRC hResInfo)
{
    return hResInfo == nullptr ? 0 : qvrsim::blockBytes(reinterpret_cast<const qvrsim::StringBlock*>(hResInfo)->data);
}
