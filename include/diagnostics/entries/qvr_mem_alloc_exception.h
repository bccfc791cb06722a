#ifndef QVR_MEM_ALLOC_EXCEPTION_H
#define QVR_MEM_ALLOC_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "Unable to allocate memory ( <variable> )"
class CQVRMemAllocException : public CQVRLogException1 {
public:
    CQVRMemAllocException(const WCHAR* szVariableName, const WCHAR* szSourceFile, uint32_t ulLine,
                          uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = false);
};

#endif
