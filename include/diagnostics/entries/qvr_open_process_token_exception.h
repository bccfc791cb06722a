// "OpenProcessToken call failed for handle:%s"
// Never written on destroy.
#ifndef QVR_OPEN_PROCESS_TOKEN_EXCEPTION_H
#define QVR_OPEN_PROCESS_TOKEN_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVROpenProcessTokenException : public CQVRLogException1 {
public:
    CQVROpenProcessTokenException(const WCHAR* szHandleDescription, uint32_t ulError, const WCHAR* szSourceFile,
                                  uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, false}, ulError, rkError,
                            QVR_T("OpenProcessToken call failed for handle:%s"), szHandleDescription)
    {
    }
};

#endif
