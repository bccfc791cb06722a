// Base of every warning: the same object at the WARNING level; a warning
// never stops the operation.
#ifndef QVR_LOG_WARNING_H
#define QVR_LOG_WARNING_H

#include "diagnostics/qvr_detailed_log.h"
#include "diagnostics/qvr_log_message.h"
#include "diagnostics/qvr_log_site.h"

class CQVRLogWarning : public CQVRDetailedLog {
protected:
    // The message formatted from szFormat and the arguments (a null text
    // shows as "Unknown").
    template <class... Args>
    CQVRLogWarning(const QVRLogSite& site, uint32_t ulValue, uint32_t ulResultKind, const WCHAR* szFormat, Args... args)
        : CQVRDetailedLog(llWarning, CQVRLogMessage(szFormat, args...).text(), ulValue, ulResultKind, site.szClassName,
                          site.szMethodName, site.szSourceFile, site.ulLine, site.bWriteNow, site.bWriteOnDestroy,
                          site.usOutputTypes)
    {
    }
};

#endif
