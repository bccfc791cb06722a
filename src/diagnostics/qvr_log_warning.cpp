// Base of every warning.
#include "diagnostics/qvr_log_warning.h"

CQVRLogWarning::CQVRLogWarning(const WCHAR* szMessage, uint32_t ulValue, uint32_t ulResultKind,
                               const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile,
                               uint32_t ulLine, bool bWriteNow, bool bWriteOnDestroy, uint16_t usOutputTypes)
    : CQVRDetailedLog(llWarning, szMessage, ulValue, ulResultKind, szClassName, szMethodName, szSourceFile, ulLine,
                      bWriteNow, bWriteOnDestroy, usOutputTypes)
{
}
