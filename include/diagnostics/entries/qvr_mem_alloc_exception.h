// "Unable to allocate memory ( %s )"
#ifndef QVR_MEM_ALLOC_EXCEPTION_H
#define QVR_MEM_ALLOC_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRMemAllocException : public CQVRLogException1 {
public:
    CQVRMemAllocException(const WCHAR* szVariableName, const WCHAR* szSourceFile, uint32_t ulLine,
                          uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy},
                            static_cast<uint32_t>(-1), rkError, QVR_T("Unable to allocate memory ( %s )"),
                            szVariableName)
    {
    }
};

#endif
