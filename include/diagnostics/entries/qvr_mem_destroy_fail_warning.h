// "Unable to free memory ( %s )"
#ifndef QVR_MEM_DESTROY_FAIL_WARNING_H
#define QVR_MEM_DESTROY_FAIL_WARNING_H

#include "diagnostics/qvr_log_warning.h"

class CMemDestroyFailWarning : public CQVRLogWarning {
public:
    CMemDestroyFailWarning(const WCHAR* szVariableName, const WCHAR* szSourceFile, uint32_t ulLine,
                           uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = false)
        : CQVRLogWarning({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy},
                         static_cast<uint32_t>(-1), rkError, QVR_T("Unable to free memory ( %s )"), szVariableName)
    {
    }
};

#endif
