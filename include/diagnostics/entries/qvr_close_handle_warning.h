// "Unable to free memory ( %s )"
// Never written on destroy.
#ifndef QVR_CLOSE_HANDLE_WARNING_H
#define QVR_CLOSE_HANDLE_WARNING_H

#include "diagnostics/qvr_log_warning.h"

class CCloseHandleWarning : public CQVRLogWarning {
public:
    CCloseHandleWarning(const WCHAR* szHandleName, uint32_t ulError, const WCHAR* szSourceFile, uint32_t ulLine,
                        uint16_t usOutputTypes = otText, bool bWriteNow = true)
        : CQVRLogWarning({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, false}, ulError, rkError,
                         QVR_T("Unable to free memory ( %s )"), szHandleName)
    {
    }
};

#endif
