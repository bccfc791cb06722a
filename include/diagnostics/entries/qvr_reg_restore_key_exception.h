// "Unable to load registry key ( "%s" )"
#ifndef QVR_REG_RESTORE_KEY_EXCEPTION_H
#define QVR_REG_RESTORE_KEY_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRRegRestoreKeyException : public CQVRLogException1 {
public:
    CQVRRegRestoreKeyException(const WCHAR* szKeyPath, uint32_t ulError, const WCHAR* szClassName,
                               const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine,
                               uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogException1(
              {szClassName, szMethodName, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy}, ulError,
              rkPassFail, QVR_T("Unable to load registry key ( \"%s\" )"), szKeyPath)
    {
    }
};

#endif
