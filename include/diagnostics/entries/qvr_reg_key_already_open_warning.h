// "Registry key is already open ( %s )"
#ifndef QVR_REG_KEY_ALREADY_OPEN_WARNING_H
#define QVR_REG_KEY_ALREADY_OPEN_WARNING_H

#include "diagnostics/qvr_log_warning.h"

class CQVRRegKeyAlreadyOpenWarning : public CQVRLogWarning {
public:
    CQVRRegKeyAlreadyOpenWarning(const WCHAR* szKeyPath, const WCHAR* szClassName, const WCHAR* szMethodName,
                                 const WCHAR* szSourceFile, uint32_t ulLine, uint16_t usOutputTypes = otText,
                                 bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogWarning({szClassName, szMethodName, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy},
                         static_cast<uint32_t>(-1), rkPassFail, QVR_T("Registry key is already open ( %s )"), szKeyPath)
    {
    }
};

#endif
