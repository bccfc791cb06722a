// "An unhandled exception occurred"
#ifndef QVR_UNHANDLED_EXCEPTION_EXCEPTION_H
#define QVR_UNHANDLED_EXCEPTION_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRUnhandledExceptionException : public CQVRLogException1 {
public:
    CQVRUnhandledExceptionException(uint32_t ulError, const WCHAR* szSourceFile, uint32_t ulLine,
                                    uint16_t usOutputTypes = otText, bool bWriteNow = true,
                                    bool bWriteOnDestroy = false)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy},
                            ulError, rkError, QVR_T("An unhandled exception occurred"))
    {
    }
};

#endif
