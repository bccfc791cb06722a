// "CQVRRegistryKey object failed to initialize"
#ifndef QVR_REG_KEY_INIT_EXCEPTION_H
#define QVR_REG_KEY_INIT_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRRegKeyInitException : public CQVRLogException1 {
public:
    CQVRRegKeyInitException(const WCHAR* szSourceFile, uint32_t ulLine, uint16_t usOutputTypes = otText,
                            bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy},
                            static_cast<uint32_t>(-1), rkError, QVR_T("CQVRRegistryKey object failed to initialize"))
    {
    }
};

#endif
