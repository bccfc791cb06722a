#include "diagnostics/qvr_log_debug.h"

CQVRLogDebug::CQVRLogDebug(const WCHAR* szMessage, uint16_t usOutputTypes, bool bWriteNow, bool bWriteOnDestroy)
    : CQVRDetailedLog(llDebug, szMessage, 0, rkPassFail, nullptr, nullptr, nullptr, 0, bWriteNow, bWriteOnDestroy,
                      usOutputTypes)
{
}
