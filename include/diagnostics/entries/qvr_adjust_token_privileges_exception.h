#ifndef QVR_ADJUST_TOKEN_PRIVILEGES_EXCEPTION_H
#define QVR_ADJUST_TOKEN_PRIVILEGES_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "AdjustTokenPrivileges call failed for handle:%s"
class CQVRAdjustTokenPrivilegesException : public CQVRLogException1 {
public:
    // Never written on destroy.
    CQVRAdjustTokenPrivilegesException(const WCHAR* szHandleName, uint32_t ulError, const WCHAR* szSourceFile,
                                       uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true);
};

#endif
