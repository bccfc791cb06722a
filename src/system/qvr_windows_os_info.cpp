// The running Windows.
#include "system/qvr_windows_os_info.h"

#include "core/qvr_wchar_string.h"
#include "diagnostics/entries/qvr_windows_os_info_init_needed_exception.h"
#include "qvr_guard.h"
#include "registry/qvr_registry_dword.h"
#include "system/qvr_environment_variable.h"
#include "system/qvr_system_library.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRWindowsOSInfo"), QVR_T("qvr_windows_os_info.cpp"),
                                        QVRErrorSource::LastError};

namespace {

// The shell library's operating-system query, exported by ordinal only.
const WCHAR* const kShellLibrary = QVR_T("shlwapi.dll");
const WORD kOSQueryOrdinal = 437;
const uint32_t kQueryXPOrGreater = 18;
const uint32_t kQuery37 = 37;

// Version record sizes: the extended one first, the basic one if it fails.
const DWORD kExtendedRecordSize = 284;
const DWORD kBasicRecordSize = 276;

typedef BOOL(WINAPI* OSQueryFunction)(DWORD);

bool readVersion(double& dVersion)
{
    OSVERSIONINFOEXW info = {};
    static_assert(sizeof(OSVERSIONINFOEXW) == kExtendedRecordSize, "extended version record");
    static_assert(sizeof(OSVERSIONINFOW) == kBasicRecordSize, "basic version record");
    info.dwOSVersionInfoSize = kExtendedRecordSize;
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        info.dwOSVersionInfoSize = kBasicRecordSize;
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)))
            return false;
    }
    // Computed in extended precision, kept as a double.
    dVersion = static_cast<double>(static_cast<long double>(info.dwMajorVersion) +
                                   static_cast<long double>(info.dwMinorVersion) / 10.0L);
    return true;
}

}  // namespace

CQVRWindowsOSInfo::CQVRWindowsOSInfo()
    : m_bXPOrGreater(false), m_bQuery37(false), m_bPE(false), m_ulServicePack(0), m_dVersion(0)
{
    bool bVersion = false;
    qvrTraced(kThisFile, QVR_T("CQVRWindowsOSInfo"), __LINE__, rkPassFail, [&] {
        m_bPE = performPECheck();
        if (performOSQueryFunction(kQueryXPOrGreater, m_bXPOrGreater)) {
            if (!performOSQueryFunction(kQuery37, m_bQuery37))
                m_bQuery37 = false;
        } else {
            m_bXPOrGreater = false;
        }
        CQVRRegistryDword servicePack(HKEY_LOCAL_MACHINE,
                                      CQVRWCharString(QVR_T("SYSTEM\\CurrentControlSet\\Control\\Windows")),
                                      CQVRWCharString(QVR_T("CSDVersion")), KEY_READ, false, 0);
        uint32_t ulCSDVersion = 0;
        if (servicePack.getValue(ulCSDVersion, false))
            m_ulServicePack = ulCSDVersion >> 8;
        bVersion = readVersion(m_dVersion);
        return bVersion;
    });
    if (!bVersion)
        throw CQVRWindowsOSInfoInitNeededException(kThisFile, __LINE__);
}

CQVRWindowsOSInfo::~CQVRWindowsOSInfo() { qvrTracedPass(kThisFile, QVR_T("~CQVRWindowsOSInfo"), __LINE__); }

uint32_t CQVRWindowsOSInfo::getPlatform()
{
    uint32_t ulPlatform = wpUnknown;
    qvrTraced(kThisFile, QVR_T("getPlatform"), __LINE__, rkPassFail, [&]() -> bool {
        // Looked up, not imported: Windows 2000 has no GetNativeSystemInfo and
        // no 64-bit edition, so there the program's own view is the machine's.
        // A look-up that fails for another reason tells nothing: guessing
        // 32-bit on a 64-bit Windows would leave the 64-bit libraries old.
        SYSTEM_INFO info = {};
        const auto getNative =
            CQVRSystemLibrary::getKernelFunction<decltype(&::GetNativeSystemInfo)>("GetNativeSystemInfo");
        if (getNative != nullptr)
            getNative(&info);
        else if (GetLastError() == ERROR_PROC_NOT_FOUND)
            GetSystemInfo(&info);
        else
            return false;
        switch (info.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_IA64:
        case PROCESSOR_ARCHITECTURE_AMD64:
        case PROCESSOR_ARCHITECTURE_IA32_ON_WIN64:
            ulPlatform = wp64Bit;
            break;
        default:
            ulPlatform = wp32Bit;
            break;
        }
        return true;
    });
    return ulPlatform;
}

bool CQVRWindowsOSInfo::isXP()
{
    return qvrTraced(kThisFile, QVR_T("isXP"), __LINE__, rkLogical,
                     [&] { return m_dVersion >= 5.1 && m_dVersion < 6.0; });
}

bool CQVRWindowsOSInfo::isVista()
{
    return qvrTraced(kThisFile, QVR_T("isVista"), __LINE__, rkLogical,
                     [&] { return m_dVersion >= 6.0 && m_dVersion < 7.0; });
}

bool CQVRWindowsOSInfo::performOSQueryFunction(uint32_t ulQuery, bool& bAnswer)
{
    return qvrTraced(kThisFile, QVR_T("performOSQueryFunction"), __LINE__, rkPassFail, [&]() -> bool {
        const CQVRSystemLibrary library(kShellLibrary);
        const OSQueryFunction query = library.getFunction<OSQueryFunction>(MAKEINTRESOURCEA(kOSQueryOrdinal));
        if (query == nullptr)
            return false;
        bAnswer = query(ulQuery) != FALSE;
        return true;
    });
}

bool CQVRWindowsOSInfo::performPECheck()
{
    return qvrTraced(kThisFile, QVR_T("performPECheck"), __LINE__, rkLogical, [&] {
        CQVRWCharString value;
        return CQVREnvironmentVariable(CQVRWCharString(QVR_T("QVRDrive"))).getValue(value) && value.getLength() != 0;
    });
}
