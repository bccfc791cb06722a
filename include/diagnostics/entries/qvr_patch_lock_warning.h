// "Unable to <step> the patch lock ( <lock name> )"
// The run goes on without the lock, as runs did before there was one.
#ifndef QVR_PATCH_LOCK_WARNING_H
#define QVR_PATCH_LOCK_WARNING_H

#include "diagnostics/qvr_log_warning.h"

class CQVRPatchLockWarning : public CQVRLogWarning {
public:
    CQVRPatchLockWarning(const WCHAR* szStep, const WCHAR* szLockName, uint32_t ulError, const WCHAR* szSourceFile,
                         uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true)
        : CQVRLogWarning({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, false}, ulError, rkError,
                         QVR_T("Unable to %s the patch lock ( %s )"), szStep, szLockName)
    {
    }
};

#endif
