// The processes of the machine and the programs they run.
#include "qvr_process_scan.h"

#include "qvr_guard.h"

#include <new>
#include <string>

static const QVRSourceFile kThisFile = {nullptr, QVR_T("qvr_process_scan.cpp"), QVRErrorSource::LastError};

namespace {

const DWORD kFirstProcessCount = 1024;
const DWORD kMoreProcesses = 200;
const DWORD kPathChars = MAX_PATH;
// "A:\" to "Z:\", each with its terminator, and the list's own.
const DWORD kDriveListChars = 26 * 4 + 1;

}  // namespace

CQVRProcessScan::CQVRProcessScan()
    : m_psapi(QVR_T("psapi.dll")), m_pEnumProcesses(QVR_SYSTEM_FUNCTION(m_psapi, EnumProcesses)),
      m_pGetModuleFileNameEx(QVR_SYSTEM_FUNCTION(m_psapi, GetModuleFileNameExW)),
      m_pGetProcessImageFileName(m_psapi.getFunction<GetProcessImageFileNameFunction>("GetProcessImageFileNameW")),
      m_pQueryFullProcessImageName(
          CQVRSystemLibrary::getKernelFunction<QueryFullProcessImageNameFunction>("QueryFullProcessImageNameW"))
{
}

bool CQVRProcessScan::listProcesses(std::unique_ptr<DWORD[]>& ids, DWORD& ulFound) const
{
    if (m_pEnumProcesses == nullptr)
        return false;
    // A full array may have cut the list: ask again with room for more.
    for (DWORD ulCount = kFirstProcessCount;; ulCount += kMoreProcesses) {
        ids.reset(new (std::nothrow) DWORD[ulCount]());
        DWORD ulBytes = 0;
        if (!ids || !m_pEnumProcesses(ids.get(), ulCount * sizeof(DWORD), &ulBytes))
            return false;
        if (ulBytes != ulCount * sizeof(DWORD)) {
            ulFound = ulBytes / sizeof(DWORD);
            return true;
        }
    }
}

bool CQVRProcessScan::readImagePath(HANDLE hProcess, CQVRWCharString& path) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        WCHAR szPath[kPathChars + 1] = {};
        if (m_pGetModuleFileNameEx != nullptr && m_pGetModuleFileNameEx(hProcess, nullptr, szPath, kPathChars) != 0) {
            path = CQVRWCharString(szPath);
            return true;
        }
        if (m_pQueryFullProcessImageName == nullptr)
            return readDevicePath(hProcess, path);
        DWORD ulChars = kPathChars + 1;
        if (!m_pQueryFullProcessImageName(hProcess, 0, szPath, &ulChars))
            return false;
        path = CQVRWCharString(szPath);
        return true;
    });
}

// "\Device\HarddiskVolume1\dir\file" is "C:\dir\file" where C: stands for
// that device; a device no drive letter stands for gives nothing.
bool CQVRProcessScan::readDevicePath(HANDLE hProcess, CQVRWCharString& path) const
{
    WCHAR szDevicePath[kPathChars + 1] = {};
    if (m_pGetProcessImageFileName == nullptr ||
        m_pGetProcessImageFileName(hProcess, szDevicePath, kPathChars + 1) == 0)
        return false;
    const CQVRWCharString devicePath = CQVRWCharString(szDevicePath);
    WCHAR szDrives[kDriveListChars] = {};
    const DWORD ulDrives = GetLogicalDriveStringsW(kDriveListChars, szDrives);
    if (ulDrives == 0 || ulDrives >= kDriveListChars)
        return false;
    for (const WCHAR* szDrive = szDrives; *szDrive != 0; szDrive += std::char_traits<WCHAR>::length(szDrive) + 1) {
        // "C:\" asked for as "C:".
        const WCHAR szLetter[] = {szDrive[0], QVR_T(':'), 0};
        WCHAR szDevice[kPathChars + 1] = {};
        if (QueryDosDeviceW(szLetter, szDevice, kPathChars) == 0)
            continue;
        const CQVRWCharString device = CQVRWCharString(szDevice) + CQVRWCharString(QVR_T("\\"));
        if (device.getLength() > 1 && devicePath.beginsWith(device.getText())) {
            CQVRWCharString rest;
            devicePath.getCutLeft(rest, device.getLength() - 1);
            // A sum is whole or empty.
            path = CQVRWCharString(szLetter) + rest;
            return path.getLength() != 0;
        }
    }
    return false;
}
