// "Unable to initialize CQVRBuffer"
// Written when destroyed, like the copy failure it usually follows.
#ifndef QVR_BUFFER_INIT_EXCEPTION_H
#define QVR_BUFFER_INIT_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRBufferInitException : public CQVRLogException1 {
public:
    CQVRBufferInitException(const WCHAR* szSourceFile, uint32_t ulLine, bool bWriteOnDestroy = true)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, otText, false, bWriteOnDestroy},
                            static_cast<uint32_t>(-1), rkError, QVR_T("Unable to initialize CQVRBuffer"))
    {
    }
};

#endif
