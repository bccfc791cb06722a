// Libraries: the system folder, the system libraries a program loads by
// name or by path, and the functions they export, each present from the
// Windows version that brought it.
#include "qvr_sim_state.h"

namespace {

const char16_t kSystemFolder[] = u"C:\\Windows\\system32";
const DWORD kErrorProcNotFound = 127;

// kernel32 is in every process from its start; the program imports the shell
// (through shell32), so shlwapi is too. version and psapi are loaded only when
// asked for, and unloaded by their last free.
enum class Library { Kernel, Shell, Version, ProcessStatus };

struct LibraryInfo {
    Library library;
    const char16_t* szFileName;
    uintptr_t module;
    bool bPreloaded;
};

const LibraryInfo kLibraries[] = {
    {Library::Kernel, u"kernel32.dll", 0x7C800000u, true},
    {Library::Shell, u"shlwapi.dll", 0x5A100000u, true},
    {Library::Version, u"version.dll", 0x77C00000u, false},
    {Library::ProcessStatus, u"psapi.dll", 0x76BF0000u, false},
};

bool atLeast(DWORD major, DWORD minor)
{
    const qvrsim::Machine& m = qvrsim::machine();
    return m.osMajor > major || (m.osMajor == major && m.osMinor >= minor);
}

bool isPresent(const LibraryInfo& info) { return info.library != Library::Shell || qvrsim::machine().bShellLibrary; }

bool isLoaded(const LibraryInfo& info)
{
    return isPresent(info) && (info.bPreloaded || qvrsim::machine().libraryReferences[info.module] > 0);
}

// A library by the name a program gives: its file name, with or without
// the extension (Windows adds ".dll"), or its path in the system folder.
const LibraryInfo* libraryNamed(LPCWSTR szName)
{
    const qvrsim::wstr name = qvrsim::lowerCase(szName ? qvrsim::wstr(szName) : qvrsim::wstr());
    const qvrsim::wstr folder = qvrsim::lowerCase(kSystemFolder) + u"\\";
    for (const LibraryInfo& info : kLibraries) {
        const qvrsim::wstr file = info.szFileName;
        if (name == file || name + u".dll" == file || name == folder + file)
            return &info;
    }
    return nullptr;
}

const LibraryInfo* libraryOf(HMODULE hModule)
{
    for (const LibraryInfo& info : kLibraries)
        if (reinterpret_cast<uintptr_t>(hModule) == info.module)
            return &info;
    return nullptr;
}

template <class F> FARPROC exported(F function)
{
    // Handed out as the platform does: the caller casts it back.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

// The export by name (or by ordinal, for the shell query), where this
// Windows has it.
FARPROC exportOf(Library library, LPCSTR szName)
{
    const uintptr_t ordinal = reinterpret_cast<uintptr_t>(szName);
    if (ordinal <= 0xFFFF)
        return library == Library::Shell && ordinal == 437 ? exported(&qvrsim::shellOSQuery) : nullptr;
    const std::string name = szName;
    switch (library) {
    case Library::Kernel:
        if (name == "GetNativeSystemInfo" && atLeast(5, 1))
            return exported(&GetNativeSystemInfo);
        if (name == "QueryFullProcessImageNameW" && atLeast(6, 0))
            return exported(&QueryFullProcessImageNameW);
        return nullptr;
    case Library::Version:
        if (name == "GetFileVersionInfoSizeW")
            return exported(&GetFileVersionInfoSizeW);
        if (name == "GetFileVersionInfoW")
            return exported(&GetFileVersionInfoW);
        if (name == "VerQueryValueW")
            return exported(&VerQueryValueW);
        return nullptr;
    case Library::ProcessStatus:
        if (name == "EnumProcesses")
            return exported(&EnumProcesses);
        if (name == "GetModuleFileNameExW")
            return exported(&GetModuleFileNameExW);
        if (name == "GetProcessImageFileNameW" && atLeast(5, 1))
            return exported(&GetProcessImageFileNameW);
        return nullptr;
    case Library::Shell:
        return nullptr;
    }
    return nullptr;
}

}  // namespace

namespace qvrsim {

const std::vector<wstr>& librariesLoaded() { return machine().librariesLoaded; }

HMODULE loadedSystemModule(LPCWSTR szName)
{
    const LibraryInfo* info = libraryNamed(szName);
    return info != nullptr && isLoaded(*info) ? reinterpret_cast<HMODULE>(info->module) : nullptr;
}

}  // namespace qvrsim

DWORD GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize)
{
    if (qvrsim::injectedLastError("GetSystemDirectoryW"))
        return 0;
    const qvrsim::wstr folder = kSystemFolder;
    const DWORD cch = static_cast<DWORD>(folder.size());
    if (lpBuffer == nullptr || uSize <= cch)
        return cch + 1;
    folder.copy(lpBuffer, cch);
    lpBuffer[cch] = 0;
    return cch;
}

// Every name a program loads is recorded, so that a test can tell a path in
// the system folder from a bare name that Windows would first look for in
// the program's own folder.
HMODULE LoadLibraryW(LPCWSTR lpLibFileName)
{
    if (qvrsim::injectedLastError("LoadLibraryW"))
        return nullptr;
    qvrsim::Machine& m = qvrsim::machine();
    m.librariesLoaded.push_back(lpLibFileName ? qvrsim::wstr(lpLibFileName) : qvrsim::wstr());
    const LibraryInfo* info = libraryNamed(lpLibFileName);
    if (info == nullptr || !isPresent(*info)) {
        SetLastError(QVR_SIM_ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++m.libraryLoads;
    ++m.libraryReferences[info->module];
    return reinterpret_cast<HMODULE>(info->module);
}

// A module that is not loaded is ERROR_MOD_NOT_FOUND; the program's own
// module (null) exports nothing the program asks for.
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    if (qvrsim::injectedLastError("GetProcAddress"))
        return nullptr;
    const LibraryInfo* info = libraryOf(hModule);
    if (hModule != nullptr && (info == nullptr || !isLoaded(*info))) {
        SetLastError(QVR_SIM_ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const FARPROC function = info != nullptr ? exportOf(info->library, lpProcName) : nullptr;
    if (function == nullptr)
        SetLastError(kErrorProcNotFound);
    return function;
}

// A library loaded from the start stays loaded whatever the count.
BOOL FreeLibrary(HMODULE hLibModule)
{
    if (qvrsim::injectedLastError("FreeLibrary"))
        return FALSE;
    if (hLibModule == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const LibraryInfo* info = libraryOf(hLibModule);
    if (info == nullptr || !isLoaded(*info)) {
        SetLastError(QVR_SIM_ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    qvrsim::Machine& m = qvrsim::machine();
    --m.libraryLoads;
    --m.libraryReferences[info->module];
    return TRUE;
}
