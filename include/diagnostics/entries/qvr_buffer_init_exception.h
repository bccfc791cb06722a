#ifndef QVR_BUFFER_INIT_EXCEPTION_H
#define QVR_BUFFER_INIT_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "Unable to initialize CQVRBuffer"; written when the object is destroyed.
class CQVRBufferInitException : public CQVRLogException1 {
public:
    CQVRBufferInitException(const WCHAR* szSourceFile, uint32_t ulLine, bool bWriteOnDestroy = true);
};

#endif
