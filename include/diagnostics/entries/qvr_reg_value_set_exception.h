// "Unable to Set registry value ( "%s\%s" )"
#ifndef QVR_REG_VALUE_SET_EXCEPTION_H
#define QVR_REG_VALUE_SET_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRRegValueSetException : public CQVRLogException1 {
public:
    CQVRRegValueSetException(const WCHAR* szKeyPath, const WCHAR* szValueName, uint32_t ulError,
                             const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile,
                             uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true,
                             bool bWriteOnDestroy = false)
        : CQVRLogException1(
              {szClassName, szMethodName, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy}, ulError,
              rkPassFail, QVR_T("Unable to Set registry value ( \"%s\\%s\" )"), szKeyPath, szValueName)
    {
    }
};

#endif
