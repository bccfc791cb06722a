#ifndef QVR_CLOSE_HANDLE_WARNING_H
#define QVR_CLOSE_HANDLE_WARNING_H

#include "diagnostics/qvr_log_warning.h"

// "Unable to free memory ( %s )"
class CCloseHandleWarning : public CQVRLogWarning {
public:
    // Never written on destroy.
    CCloseHandleWarning(const WCHAR* szHandleName, uint32_t ulError, const WCHAR* szSourceFile, uint32_t ulLine,
                        uint16_t usOutputTypes = otText, bool bWriteNow = true);
};

#endif
