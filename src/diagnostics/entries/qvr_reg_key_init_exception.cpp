#include "diagnostics/entries/qvr_reg_key_init_exception.h"

CQVRRegKeyInitException::CQVRRegKeyInitException(const WCHAR* szSourceFile, uint32_t ulLine, uint16_t usOutputTypes,
                                                 bool bWriteNow, bool bWriteOnDestroy)
    : CQVRLogException1(QVR_T("CQVRRegistryKey object failed to initialize"), static_cast<uint32_t>(-1), rkError,
                        nullptr, nullptr, szSourceFile, ulLine, bWriteNow, bWriteOnDestroy, usOutputTypes)
{
}
