// A traced method's entry: written as ENTRY when built and as EXIT, with the
// method's outcome, when destroyed.
#ifndef QVR_LOG_ENTRY_H
#define QVR_LOG_ENTRY_H

#include "diagnostics/qvr_detailed_log.h"

class _CQVRLogEntry : public CQVRDetailedLog {
public:
    _CQVRLogEntry(const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine,
                  uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = true);
    ~_CQVRLogEntry() override;
};

#endif
