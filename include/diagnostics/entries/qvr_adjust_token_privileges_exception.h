// "AdjustTokenPrivileges call failed for handle:%s"
// Never written on destroy.
#ifndef QVR_ADJUST_TOKEN_PRIVILEGES_EXCEPTION_H
#define QVR_ADJUST_TOKEN_PRIVILEGES_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRAdjustTokenPrivilegesException : public CQVRLogException1 {
public:
    CQVRAdjustTokenPrivilegesException(const WCHAR* szHandleName, uint32_t ulError, const WCHAR* szSourceFile,
                                       uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, false}, ulError, rkError,
                            QVR_T("AdjustTokenPrivileges call failed for handle:%s"), szHandleName)
    {
    }
};

#endif
