// "memcpy() function failed"
// Written when destroyed: the buffer code throws it without a write of its own.
#ifndef QVR_MEMORY_COPY_EXCEPTION_H
#define QVR_MEMORY_COPY_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRMemoryCopyException : public CQVRLogException1 {
public:
    CQVRMemoryCopyException(uint32_t ulError, const WCHAR* szSourceFile, uint32_t ulLine, bool bWriteOnDestroy = true)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, otText, false, bWriteOnDestroy}, ulError, rkError,
                            QVR_T("memcpy() function failed"))
    {
    }
};

#endif
