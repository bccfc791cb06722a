// Base of every exception.
#include "diagnostics/qvr_log_exception1.h"

CQVRLogException1::CQVRLogException1(const WCHAR* szMessage, uint32_t ulValue, const WCHAR* szSourceFile,
                                     uint32_t ulLine)
    : CQVRDetailedLog(llExceptionBad, szMessage, ulValue, rkError, nullptr, nullptr, szSourceFile, ulLine, true, false,
                      otText)
{
}

CQVRLogException1::CQVRLogException1(const WCHAR* szMessage, uint32_t ulValue, uint32_t ulResultKind,
                                     const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile,
                                     uint32_t ulLine, bool bWriteNow, bool bWriteOnDestroy, uint16_t usOutputTypes)
    : CQVRDetailedLog(llExceptionBad, szMessage, ulValue, ulResultKind, szClassName, szMethodName, szSourceFile,
                      ulLine, bWriteNow, bWriteOnDestroy, usOutputTypes)
{
}
