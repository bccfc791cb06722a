#ifndef QVR_MEM_DESTROY_FAIL_WARNING_H
#define QVR_MEM_DESTROY_FAIL_WARNING_H

#include "diagnostics/qvr_log_warning.h"

// "Unable to free memory ( <variable> )"
class CMemDestroyFailWarning : public CQVRLogWarning {
public:
    CMemDestroyFailWarning(const WCHAR* szVariableName, const WCHAR* szSourceFile, uint32_t ulLine,
                           uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = false);
};

#endif
