// Base of every exception of the library; also thrown directly with a
// caller's plain message.
#ifndef QVR_LOG_EXCEPTION1_H
#define QVR_LOG_EXCEPTION1_H

#include "diagnostics/qvr_detailed_log.h"
#include "diagnostics/qvr_log_message.h"
#include "diagnostics/qvr_log_site.h"

class CQVRLogException1 : public CQVRDetailedLog {
public:
    // Thrown directly: level EXCEPTION_BAD, result kind 0, written at once.
    CQVRLogException1(const WCHAR* szMessage, uint32_t ulValue, const WCHAR* szSourceFile, uint32_t ulLine)
        : CQVRDetailedLog(llExceptionBad, szMessage, ulValue, rkError, nullptr, nullptr, szSourceFile, ulLine, true,
                          false, otText)
    {
    }

protected:
    // For the concrete exceptions: level EXCEPTION_BAD, the message formatted
    // from szFormat and the arguments (a null text shows as "Unknown").
    template <class... Args>
    CQVRLogException1(const QVRLogSite& site, uint32_t ulValue, uint32_t ulResultKind, const WCHAR* szFormat,
                      Args... args)
        : CQVRDetailedLog(llExceptionBad, CQVRLogMessage(szFormat, args...).text(), ulValue, ulResultKind,
                          site.szClassName, site.szMethodName, site.szSourceFile, site.ulLine, site.bWriteNow,
                          site.bWriteOnDestroy, site.usOutputTypes)
    {
    }
};

#endif
