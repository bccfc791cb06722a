// "CQVRWindowsOSInfo construction failed. Cannot call member functions.": built and written at once like a plain
// CQVRLogException1, then thrown as this class.
#ifndef QVR_WINDOWS_OS_INFO_INIT_NEEDED_EXCEPTION_H
#define QVR_WINDOWS_OS_INFO_INIT_NEEDED_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRWindowsOSInfoInitNeededException : public CQVRLogException1 {
public:
    CQVRWindowsOSInfoInitNeededException(const WCHAR* szSourceFile, uint32_t ulLine)
        : CQVRLogException1(QVR_T("CQVRWindowsOSInfo construction failed. Cannot call member functions."),
                            static_cast<uint32_t>(-1), szSourceFile, ulLine)
    {
    }
};

#endif
