// The process's access token: the privileges the account holds, which of
// them are enabled, and handles on the token. There is one token per
// process, so every handle on it sees the same privileges.
#include "qvr_sim_state.h"

#include <vector>

namespace {

struct Privilege {
    const char16_t* szName;
    DWORD luid;
};

// The names Windows 7 knows, with their LUIDs.
const Privilege kPrivileges[] = {
    {u"SeCreateTokenPrivilege", 2},
    {u"SeAssignPrimaryTokenPrivilege", 3},
    {u"SeLockMemoryPrivilege", 4},
    {u"SeIncreaseQuotaPrivilege", 5},
    {u"SeMachineAccountPrivilege", 6},
    {u"SeTcbPrivilege", 7},
    {u"SeSecurityPrivilege", 8},
    {u"SeTakeOwnershipPrivilege", 9},
    {u"SeLoadDriverPrivilege", 10},
    {u"SeSystemProfilePrivilege", 11},
    {u"SeSystemtimePrivilege", 12},
    {u"SeProfileSingleProcessPrivilege", 13},
    {u"SeIncreaseBasePriorityPrivilege", 14},
    {u"SeCreatePagefilePrivilege", 15},
    {u"SeCreatePermanentPrivilege", 16},
    {u"SeBackupPrivilege", 17},
    {u"SeRestorePrivilege", 18},
    {u"SeShutdownPrivilege", 19},
    {u"SeDebugPrivilege", 20},
    {u"SeAuditPrivilege", 21},
    {u"SeSystemEnvironmentPrivilege", 22},
    {u"SeChangeNotifyPrivilege", 23},
    {u"SeRemoteShutdownPrivilege", 24},
    {u"SeUndockPrivilege", 25},
    {u"SeSyncAgentPrivilege", 26},
    {u"SeEnableDelegationPrivilege", 27},
    {u"SeManageVolumePrivilege", 28},
    {u"SeImpersonatePrivilege", 29},
    {u"SeCreateGlobalPrivilege", 30},
    {u"SeTrustedCredManAccessPrivilege", 31},
    {u"SeRelabelPrivilege", 32},
    {u"SeIncreaseWorkingSetPrivilege", 33},
    {u"SeTimeZonePrivilege", 34},
    {u"SeCreateSymbolicLinkPrivilege", 35},
};

// What an administrator holds; only the three enabled by default are
// enabled when a process starts. Backup, restore and shutdown are held but
// must be enabled before use.
const DWORD kAdministrator[] = {5, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18, 19, 20, 22, 23, 24, 25, 28, 29, 30};
const DWORD kEnabledByDefault[] = {23, 29, 30};

const uintptr_t kCurrentProcess = static_cast<uintptr_t>(-1);
const DWORD kMaximumAllowed = 0x02000000;

bool injected(const char* function)
{
    DWORD error;
    if (!qvrsim::injectedFailure(function, error))
        return false;
    SetLastError(error);
    return true;
}

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

bool defaultEnabled(DWORD luid)
{
    for (DWORD enabled : kEnabledByDefault)
        if (enabled == luid)
            return true;
    return false;
}

}  // namespace

namespace qvrsim {

void startPrivileges(Machine& m)
{
    if (m.privileges.empty())
        for (DWORD luid : kAdministrator)
            m.privileges[luid] = defaultEnabled(luid) ? SE_PRIVILEGE_ENABLED_BY_DEFAULT : 0;
    for (auto& privilege : m.privileges)
        privilege.second = (privilege.second & SE_PRIVILEGE_ENABLED_BY_DEFAULT)
                               ? SE_PRIVILEGE_ENABLED_BY_DEFAULT | SE_PRIVILEGE_ENABLED
                               : 0;
}

DWORD privilegeLuid(const wstr& name)
{
    wstr lower = lowerCase(name);
    for (const Privilege& privilege : kPrivileges)
        if (lowerCase(privilege.szName) == lower)
            return privilege.luid;
    return 0;
}

bool privilegeEnabledByLuid(DWORD luid)
{
    const auto& privileges = machine().privileges;
    auto it = privileges.find(luid);
    return it != privileges.end() && (it->second & SE_PRIVILEGE_ENABLED);
}

bool privilegeEnabled(const wstr& name) { return privilegeEnabledByLuid(privilegeLuid(name)); }

bool setPrivilegeHeld(const wstr& name, bool bHeld)
{
    DWORD luid = privilegeLuid(name);
    if (luid == 0)
        return false;
    auto& privileges = machine().privileges;
    if (!bHeld)
        privileges.erase(luid);
    else if (!privileges.count(luid))
        privileges[luid] = 0;
    return true;
}

bool closeTokenHandle(uintptr_t h) { return machine().tokenHandles.erase(h) != 0; }

}  // namespace qvrsim

// The pseudo handle of the own process; it needs no closing.
HANDLE GetCurrentProcess()
{
    if (injected("GetCurrentProcess"))
        return nullptr;
    return reinterpret_cast<HANDLE>(kCurrentProcess);
}

// Only the own process's token can be opened here. A failure leaves the
// handle null, as Wine does.
BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle)
{
    if (injected("OpenProcessToken")) {
        if (TokenHandle)
            *TokenHandle = nullptr;
        return FALSE;
    }
    if (TokenHandle == nullptr)
        return fail(QVR_SIM_ERROR_NOACCESS);
    if (reinterpret_cast<uintptr_t>(ProcessHandle) != kCurrentProcess) {
        *TokenHandle = nullptr;
        return fail(ERROR_INVALID_HANDLE);
    }
    uintptr_t h = qvrsim::newHandleValue();
    qvrsim::machine().tokenHandles[h] = (DesiredAccess & kMaximumAllowed) ? TOKEN_ALL_ACCESS : DesiredAccess;
    *TokenHandle = reinterpret_cast<HANDLE>(h);
    return TRUE;
}

// Success leaves the last error alone; no other machine can be asked.
BOOL LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid)
{
    if (injected("LookupPrivilegeValueW"))
        return FALSE;
    if (lpSystemName && *lpSystemName)
        return fail(QVR_SIM_ERROR_RPC_SERVER_UNAVAILABLE);
    DWORD luid = lpName ? qvrsim::privilegeLuid(lpName) : 0;
    if (luid == 0)
        return fail(ERROR_NO_SUCH_PRIVILEGE);
    if (lpLuid == nullptr)
        return fail(QVR_SIM_ERROR_NOACCESS);
    lpLuid->LowPart = luid;
    lpLuid->HighPart = 0;
    return TRUE;
}

// As Windows does: success sets the last error, to ERROR_NOT_ALL_ASSIGNED
// when a privilege the account does not hold was asked for, else to 0. The
// previous state lists only the privileges whose state changed (Wine also
// lists those it left as they were); a buffer too small for it changes
// nothing.
BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
                           DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength)
{
    if (injected("AdjustTokenPrivileges"))
        return FALSE;
    qvrsim::Machine& m = qvrsim::machine();
    auto handle = m.tokenHandles.find(reinterpret_cast<uintptr_t>(TokenHandle));
    if (handle == m.tokenHandles.end())
        return fail(ERROR_INVALID_HANDLE);
    DWORD needed = TOKEN_ADJUST_PRIVILEGES | (PreviousState ? TOKEN_QUERY : 0);
    if ((handle->second & needed) != needed)
        return fail(ERROR_ACCESS_DENIED);
    if (!DisableAllPrivileges && NewState == nullptr)
        return fail(ERROR_INVALID_PARAMETER);

    // The attributes each privilege gets, and whether all were held.
    std::map<DWORD, DWORD> changes;
    bool bAllAssigned = true;
    if (DisableAllPrivileges) {
        for (const auto& privilege : m.privileges)
            changes[privilege.first] = privilege.second & ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
    } else {
        // The entries run on past the one the structure declares.
        const LUID_AND_ATTRIBUTES* entries = NewState->Privileges;
        for (DWORD i = 0; i < NewState->PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES& entry = entries[i];
            auto held = m.privileges.find(entry.Luid.LowPart);
            if (entry.Luid.HighPart != 0 || held == m.privileges.end()) {
                bAllAssigned = false;
                continue;
            }
            DWORD attributes = held->second & ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
            changes[held->first] = attributes | (entry.Attributes & SE_PRIVILEGE_ENABLED);
        }
    }
    std::vector<LUID_AND_ATTRIBUTES> previous;
    for (auto it = changes.begin(); it != changes.end();) {
        DWORD before = m.privileges[it->first];
        if (before == it->second) {
            it = changes.erase(it);
            continue;
        }
        LUID_AND_ATTRIBUTES entry;
        entry.Luid.LowPart = it->first;
        entry.Luid.HighPart = 0;
        entry.Attributes = before;
        previous.push_back(entry);
        ++it;
    }
    if (PreviousState) {
        DWORD cbNeeded = static_cast<DWORD>(sizeof(DWORD) + previous.size() * sizeof(LUID_AND_ATTRIBUTES));
        if (ReturnLength)
            *ReturnLength = cbNeeded;
        if (BufferLength < cbNeeded)
            return fail(ERROR_INSUFFICIENT_BUFFER);
        PreviousState->PrivilegeCount = static_cast<DWORD>(previous.size());
        LUID_AND_ATTRIBUTES* entries = PreviousState->Privileges;
        for (size_t i = 0; i < previous.size(); ++i)
            entries[i] = previous[i];
    }
    for (const auto& change : changes)
        m.privileges[change.first] = change.second;
    SetLastError(bAllAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
    return TRUE;
}
