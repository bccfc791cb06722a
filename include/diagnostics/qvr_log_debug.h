// A debug note: the caller's text at the DEBUG level, without source
// information, written at once.
#ifndef QVR_LOG_DEBUG_H
#define QVR_LOG_DEBUG_H

#include "diagnostics/qvr_detailed_log.h"

class CQVRLogDebug : public CQVRDetailedLog {
public:
    explicit CQVRLogDebug(const WCHAR* szMessage, uint16_t usOutputTypes = otText, bool bWriteNow = true,
                          bool bWriteOnDestroy = false);
};

#endif
