// "A bad argument was provided ( %s ). %s"
#ifndef QVR_BAD_ARG_EXCEPTION_H
#define QVR_BAD_ARG_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRBadArgException : public CQVRLogException1 {
public:
    CQVRBadArgException(const WCHAR* szArgumentName, const WCHAR* szDescription, const WCHAR* szSourceFile,
                        uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true,
                        bool bWriteOnDestroy = false)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy}, 0,
                            rkError, QVR_T("A bad argument was provided ( %s ). %s"), szArgumentName, szDescription)
    {
    }
};

#endif
