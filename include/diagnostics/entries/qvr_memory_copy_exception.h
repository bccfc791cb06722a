#ifndef QVR_MEMORY_COPY_EXCEPTION_H
#define QVR_MEMORY_COPY_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "memcpy() function failed"; written when the object is destroyed.
class CQVRMemoryCopyException : public CQVRLogException1 {
public:
    CQVRMemoryCopyException(uint32_t ulError, const WCHAR* szSourceFile, uint32_t ulLine,
                            bool bWriteOnDestroy = true);
};

#endif
