// The processes of the machine and the program file each one runs. The
// functions come at run time: psapi's by its full path in the system folder
// (a psapi.dll beside the installer must not load), the image-name queries
// only where this Windows has them.
#ifndef QVR_PROCESS_SCAN_H
#define QVR_PROCESS_SCAN_H

#include "core/qvr_wchar_string.h"
#include "qvr_platform.h"
#include "system/qvr_system_library.h"

#include <memory>

class CQVRProcessScan {
public:
    CQVRProcessScan();

    // Every process id and their number; false when they cannot be listed.
    bool listProcesses(std::unique_ptr<DWORD[]>& ids, DWORD& ulFound) const;
    // The full path of the program a process runs (at most MAX_PATH
    // characters), for a handle with the query and read rights. A 32-bit
    // program cannot read a 64-bit process's modules, so where that fails
    // the image name is asked for: whole from Vista on, as a device path
    // (turned into a drive path) on XP. False when none of them answers.
    bool readImagePath(HANDLE hProcess, CQVRWCharString& path) const;

private:
    bool readDevicePath(HANDLE hProcess, CQVRWCharString& path) const;

    typedef BOOL(WINAPI* QueryFullProcessImageNameFunction)(HANDLE, DWORD, LPWSTR, PDWORD);
    typedef DWORD(WINAPI* GetProcessImageFileNameFunction)(HANDLE, LPWSTR, DWORD);

    CQVRSystemLibrary m_psapi;
    decltype(&::EnumProcesses) m_pEnumProcesses;
    decltype(&::GetModuleFileNameExW) m_pGetModuleFileNameEx;
    GetProcessImageFileNameFunction m_pGetProcessImageFileName;
    QueryFullProcessImageNameFunction m_pQueryFullProcessImageName;
};

#endif
