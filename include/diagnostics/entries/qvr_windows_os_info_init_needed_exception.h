#ifndef QVR_WINDOWS_OS_INFO_INIT_NEEDED_EXCEPTION_H
#define QVR_WINDOWS_OS_INFO_INIT_NEEDED_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "CQVRWindowsOSInfo construction failed. Cannot call member functions."; written at once, then thrown to the caller.
class CQVRWindowsOSInfoInitNeededException : public CQVRLogException1 {
public:
    CQVRWindowsOSInfoInitNeededException(const WCHAR* szSourceFile, uint32_t ulLine);
};

#endif
