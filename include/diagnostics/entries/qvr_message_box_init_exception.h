// "Unable to initialize message box"
#ifndef QVR_MESSAGE_BOX_INIT_EXCEPTION_H
#define QVR_MESSAGE_BOX_INIT_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRMessageBoxInitException : public CQVRLogException1 {
public:
    CQVRMessageBoxInitException(uint32_t ulError, const WCHAR* szSourceFile, uint32_t ulLine,
                                uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy},
                            ulError, rkError, QVR_T("Unable to initialize message box"))
    {
    }
};

#endif
