// "Unable to enumerate subkeys from key ( "%s" )"
#ifndef QVR_REG_ENUM_KEY_EXCEPTION_H
#define QVR_REG_ENUM_KEY_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRRegEnumKeyException : public CQVRLogException1 {
public:
    CQVRRegEnumKeyException(const WCHAR* szKeyPath, uint32_t ulError, const WCHAR* szClassName,
                            const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine,
                            uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogException1(
              {szClassName, szMethodName, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy}, ulError,
              rkError, QVR_T("Unable to enumerate subkeys from key ( \"%s\" )"), szKeyPath)
    {
    }
};

#endif
