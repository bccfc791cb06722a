// "Unable to close registry key ( %s )"
#ifndef QVR_REG_CLOSE_KEY_WARNING_H
#define QVR_REG_CLOSE_KEY_WARNING_H

#include "diagnostics/qvr_log_warning.h"

class CQVRRegCloseKeyWarning : public CQVRLogWarning {
public:
    CQVRRegCloseKeyWarning(const WCHAR* szKeyPath, uint32_t ulError, const WCHAR* szClassName,
                           const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine,
                           uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogWarning({szClassName, szMethodName, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy},
                         ulError, rkError, QVR_T("Unable to close registry key ( %s )"), szKeyPath)
    {
    }
};

#endif
