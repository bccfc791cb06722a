// "Unable to load string ( ID: %d ) from resource DLL ( %s )"
// Always written to the text output; a missing DLL name shows as "Unknown resource DLL".
#ifndef QVR_LOAD_STRING_EXCEPTION_H
#define QVR_LOAD_STRING_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRLoadStringException : public CQVRLogException1 {
public:
    CQVRLoadStringException(const WCHAR* szDllName, uint32_t ulStringId, uint32_t ulError, const WCHAR* szSourceFile,
                            uint32_t ulLine, bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, otText, bWriteNow, bWriteOnDestroy}, ulError,
                            rkError, QVR_T("Unable to load string ( ID: %d ) from resource DLL ( %s )"), ulStringId,
                            CQVRLogMessage::orText(szDllName, QVR_T("Unknown resource DLL")))
    {
    }
};

#endif
