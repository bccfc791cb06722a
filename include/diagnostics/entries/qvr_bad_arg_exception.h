#ifndef QVR_BAD_ARG_EXCEPTION_H
#define QVR_BAD_ARG_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "A bad argument was provided ( <argument> ). <description>"
class CQVRBadArgException : public CQVRLogException1 {
public:
    CQVRBadArgException(const WCHAR* szArgumentName, const WCHAR* szDescription, const WCHAR* szSourceFile,
                        uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true,
                        bool bWriteOnDestroy = false);
};

#endif
