// System restart.
#include "system/qvr_win_reboot.h"

#include "diagnostics/entries/qvr_open_process_token_exception.h"
#include "qvr_guard.h"
#include "system/qvr_message_box.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRWinReboot"), QVR_T("qvr_win_reboot.cpp"), QVRErrorSource::LastError};

namespace {

// ExitWindowsEx flags: restart or power off, forcing applications that hang.
const UINT kRestartFlags = 0x12;
const UINT kPowerOffFlags = 0x18;
// Message-box style and answer of the question.
const uint32_t kYesNo = 4;
const int32_t kYes = 6;

bool exitWindows(uint32_t ulKind)
{
    return ExitWindowsEx(ulKind == CQVRWinReboot::rkPowerOff ? kPowerOffFlags : kRestartFlags, 0) == 1;
}

}  // namespace

CQVRWinReboot::CQVRWinReboot() : m_TokenPrivileges()
{
    qvrTracedPass(kThisFile, QVR_T("Default Constructor"), __LINE__);
}

CQVRWinReboot::~CQVRWinReboot()
{
    qvrTraced(kThisFile, QVR_T("Destructor"), __LINE__, rkPassFail, [&] { return m_hToken.close(); });
}

bool CQVRWinReboot::setShutdownPrivilege()
{
    return qvrTraced(kThisFile, QVR_T("setShutdownPrivilege"), __LINE__, rkPassFail, [&]() -> bool {
        HANDLE hProcess = GetCurrentProcess();
        if (hProcess == nullptr)
            return false;
        if (!OpenProcessToken(hProcess, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, m_hToken.receive()))
            throw CQVROpenProcessTokenException(QVR_T("hProcess"), GetLastError(), kThisFile, __LINE__);
        if (!LookupPrivilegeValueW(nullptr, QVR_T("SeShutdownPrivilege"), &m_TokenPrivileges.Privileges[0].Luid))
            return false;
        m_TokenPrivileges.PrivilegeCount = 1;
        m_TokenPrivileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        return AdjustTokenPrivileges(m_hToken, FALSE, &m_TokenPrivileges, 0, nullptr, nullptr) != FALSE;
    });
}

bool CQVRWinReboot::resetShutdownPrivilege()
{
    qvrTraced(kThisFile, QVR_T("setShutdownPrivilege"), __LINE__, rkPassFail, [&] {
        m_TokenPrivileges.Privileges[0].Attributes = 0;
        AdjustTokenPrivileges(m_hToken, FALSE, &m_TokenPrivileges, 0, nullptr, nullptr);
        return true;
    });
    return true;
}

bool CQVRWinReboot::doReboot(uint32_t ulKind, bool bAsk, const CQVRWCharString& title, const CQVRWCharString& message,
                             HWND hParent)
{
    bool bResult = false;
    // A failure after the privilege step leaves the result it had reached,
    // and the trace stores that result too.
    qvrTraced(kThisFile, QVR_T("doReboot"), __LINE__, rkPassFail, [&] {
        qvrTry(kThisFile, __LINE__, [&] {
            bResult = setShutdownPrivilege();
            if (!bResult)
                return;
            if (!bAsk) {
                bResult = exitWindows(ulKind);
                return;
            }
            CQVRMessageBox question(hParent, title, message, CQVRFlags(0));
            question.m_Style = CQVRFlags(kYesNo);
            if (question.setTitle(title) && question.setMsg(message) && question.showMessageBox() &&
                question.m_iResult == kYes)
                bResult = exitWindows(ulKind);
        });
        return bResult;
    });
    return bResult;
}

bool CQVRWinReboot::rebootSystem(bool bAsk, const CQVRWCharString& title, const CQVRWCharString& message, HWND hParent)
{
    bool bResult = false;
    qvrTraced(kThisFile, QVR_T("rebootSystem"), __LINE__, rkPassFail, [&] {
        bResult = doReboot(rkRestart, bAsk, title, message, hParent);
        resetShutdownPrivilege();
        return bResult;
    });
    return bResult;
}
