#ifndef QVR_UNKNOWN_VARIABLE_NAME_EXCEPTION_H
#define QVR_UNKNOWN_VARIABLE_NAME_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "The environment variable name has not been initialized"; written at once, then thrown to the caller.
class CQVRUnknownVariableNameException : public CQVRLogException1 {
public:
    CQVRUnknownVariableNameException(const WCHAR* szSourceFile, uint32_t ulLine);
};

#endif
