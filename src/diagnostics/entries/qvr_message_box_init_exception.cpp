#include "diagnostics/entries/qvr_message_box_init_exception.h"

CQVRMessageBoxInitException::CQVRMessageBoxInitException(uint32_t ulError, const WCHAR* szSourceFile, uint32_t ulLine,
                                                         uint16_t usOutputTypes, bool bWriteNow, bool bWriteOnDestroy)
    : CQVRLogException1(QVR_T("Unable to initialize message box"), ulError, rkError, nullptr, nullptr, szSourceFile,
                        ulLine, bWriteNow, bWriteOnDestroy, usOutputTypes)
{
}
