#ifndef QVR_OPEN_PROCESS_TOKEN_EXCEPTION_H
#define QVR_OPEN_PROCESS_TOKEN_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "OpenProcessToken call failed for handle:%s"
class CQVROpenProcessTokenException : public CQVRLogException1 {
public:
    // Never written on destroy.
    CQVROpenProcessTokenException(const WCHAR* szHandleDescription, uint32_t ulError, const WCHAR* szSourceFile,
                                  uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true);
};

#endif
