#ifndef QVR_DIRECTORY_INIT_EXCEPTION_H
#define QVR_DIRECTORY_INIT_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "CQVRDirectory object failed to initialize"; written at once, then thrown to the caller.
class CQVRDirectoryInitException : public CQVRLogException1 {
public:
    CQVRDirectoryInitException(const WCHAR* szSourceFile, uint32_t ulLine);
};

#endif
