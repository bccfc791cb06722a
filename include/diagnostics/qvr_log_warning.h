// Base of every warning: the same object at the WARNING level; a warning
// never stops the operation.
#ifndef QVR_LOG_WARNING_H
#define QVR_LOG_WARNING_H

#include "diagnostics/qvr_detailed_log.h"

class CQVRLogWarning : public CQVRDetailedLog {
protected:
    CQVRLogWarning(const WCHAR* szMessage, uint32_t ulValue, uint32_t ulResultKind, const WCHAR* szClassName,
                   const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine, bool bWriteNow,
                   bool bWriteOnDestroy, uint16_t usOutputTypes);
};

#endif
