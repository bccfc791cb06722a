#include "diagnostics/entries/qvr_memory_copy_exception.h"

// Written when destroyed: the buffer code throws it without a write of its own.
CQVRMemoryCopyException::CQVRMemoryCopyException(uint32_t ulError, const WCHAR* szSourceFile, uint32_t ulLine,
                                                 bool bWriteOnDestroy)
    : CQVRLogException1(QVR_T("memcpy() function failed"), ulError, rkError, nullptr, nullptr, szSourceFile, ulLine,
                        false, bWriteOnDestroy, otText)
{
}
