// Token privileges of a process.
#include "system/qvr_windows_process.h"

#include "core/qvr_scoped_handle.h"
#include "diagnostics/entries/qvr_adjust_token_privileges_exception.h"
#include "diagnostics/entries/qvr_lookup_privilege_value_exception.h"
#include "diagnostics/entries/qvr_open_process_token_exception.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRWindowsProcess"), QVR_T("qvr_windows_process.cpp"),
                                        QVRErrorSource::LastError};

CQVRWindowsProcess::CQVRWindowsProcess() { qvrTracedPass(kThisFile, QVR_T("Constructor"), __LINE__); }

CQVRWindowsProcess::~CQVRWindowsProcess()
{
    qvrTracedPass(kThisFile, QVR_T("Destructor ~CQVRWindowsProcess"), __LINE__);
}

bool CQVRWindowsProcess::setPrivilege(const CQVRWCharString& privilegeName, bool bEnable, HANDLE* phToken)
{
    return qvrTraced(kThisFile, QVR_T("setPrivilege"), __LINE__, rkPassFail, [&]() -> bool {
        // A token opened here is closed when this scope ends, on every path;
        // a failed close is written and does not change the result.
        CQVRScopedToken localToken(
            QVRCloseSite{QVR_T("hLocalToken"), kThisFile.szClassName, QVR_T("setPrivilege"), kThisFile, __LINE__});
        HANDLE hToken = phToken != nullptr ? *phToken : nullptr;
        if (hToken == nullptr) {
            if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, localToken.receive()))
                throw CQVROpenProcessTokenException(QVR_T("GetCurrentProcess()"), GetLastError(), kThisFile, __LINE__);
            hToken = localToken;
        }
        LUID luid = {};
        if (!LookupPrivilegeValueW(nullptr, privilegeName.getText(), &luid))
            throw CQVRLookupPrivilegeValueException(privilegeName.getText(), GetLastError(), kThisFile, __LINE__);
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Luid = luid;
        privileges.Privileges[0].Attributes = bEnable ? SE_PRIVILEGE_ENABLED : 0;
        // A privilege the account does not hold is reported only in the last
        // error (not all assigned); the call itself succeeds, and so does this.
        if (!AdjustTokenPrivileges(hToken, FALSE, &privileges, sizeof(privileges), nullptr, nullptr))
            throw CQVRAdjustTokenPrivilegesException(QVR_T("hToken"), GetLastError(), kThisFile, __LINE__);
        return true;
    });
}
