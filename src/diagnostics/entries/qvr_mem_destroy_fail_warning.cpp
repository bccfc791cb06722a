#include "diagnostics/entries/qvr_mem_destroy_fail_warning.h"

#include "diagnostics/qvr_log_message.h"

CMemDestroyFailWarning::CMemDestroyFailWarning(const WCHAR* szVariableName, const WCHAR* szSourceFile,
                                               uint32_t ulLine, uint16_t usOutputTypes, bool bWriteNow,
                                               bool bWriteOnDestroy)
    : CQVRLogWarning(CQVRLogMessage(QVR_T("Unable to free memory ( %s )"), CQVRLogMessage::orUnknown(szVariableName))
                         .text(),
                     static_cast<uint32_t>(-1), rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow,
                     bWriteOnDestroy, usOutputTypes)
{
}
