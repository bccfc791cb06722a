#ifndef QVR_LOAD_STRING_EXCEPTION_H
#define QVR_LOAD_STRING_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "Unable to load string ( ID: %d ) from resource DLL ( %s )"
class CQVRLoadStringException : public CQVRLogException1 {
public:
    // Always written to the text output.
    CQVRLoadStringException(const WCHAR* szDllName, uint32_t ulStringId, uint32_t ulError, const WCHAR* szSourceFile,
                            uint32_t ulLine, bool bWriteNow = true, bool bWriteOnDestroy = false);
};

#endif
