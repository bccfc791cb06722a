// "The environment variable name has not been initialized": built and written at once like a plain CQVRLogException1,
// then thrown as this class.
#ifndef QVR_UNKNOWN_VARIABLE_NAME_EXCEPTION_H
#define QVR_UNKNOWN_VARIABLE_NAME_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRUnknownVariableNameException : public CQVRLogException1 {
public:
    CQVRUnknownVariableNameException(const WCHAR* szSourceFile, uint32_t ulLine)
        : CQVRLogException1(QVR_T("The environment variable name has not been initialized"), static_cast<uint32_t>(-1),
                            szSourceFile, ulLine)
    {
    }
};

#endif
