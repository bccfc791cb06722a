#include "diagnostics/entries/qvr_unhandled_exception_exception.h"

CQVRUnhandledExceptionException::CQVRUnhandledExceptionException(uint32_t ulError, const WCHAR* szSourceFile,
                                                                 uint32_t ulLine, uint16_t usOutputTypes,
                                                                 bool bWriteNow, bool bWriteOnDestroy)
    : CQVRLogException1(QVR_T("An unhandled exception occurred"), ulError, rkError, nullptr, nullptr, szSourceFile,
                        ulLine, bWriteNow, bWriteOnDestroy, usOutputTypes)
{
}
