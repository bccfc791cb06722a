#include "diagnostics/entries/qvr_buffer_init_exception.h"

// Written when destroyed, like the copy failure it usually follows.
CQVRBufferInitException::CQVRBufferInitException(const WCHAR* szSourceFile, uint32_t ulLine, bool bWriteOnDestroy)
    : CQVRLogException1(QVR_T("Unable to initialize CQVRBuffer"), static_cast<uint32_t>(-1), rkError, nullptr, nullptr,
                        szSourceFile, ulLine, false, bWriteOnDestroy, otText)
{
}
