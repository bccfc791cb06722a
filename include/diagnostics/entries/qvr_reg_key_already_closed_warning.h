// "Registry key is already closed ( %s )"
#ifndef QVR_REG_KEY_ALREADY_CLOSED_WARNING_H
#define QVR_REG_KEY_ALREADY_CLOSED_WARNING_H

#include "diagnostics/qvr_log_warning.h"

class CQVRRegKeyAlreadyClosedWarning : public CQVRLogWarning {
public:
    CQVRRegKeyAlreadyClosedWarning(const WCHAR* szKeyPath, const WCHAR* szClassName, const WCHAR* szMethodName,
                                   const WCHAR* szSourceFile, uint32_t ulLine, uint16_t usOutputTypes = otText,
                                   bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogWarning({szClassName, szMethodName, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy},
                         static_cast<uint32_t>(-1), rkPassFail, QVR_T("Registry key is already closed ( %s )"),
                         szKeyPath)
    {
    }
};

#endif
