// The two out-of-line steps of the failure convention.
#include "qvr_guard.h"

#include "diagnostics/entries/qvr_unhandled_exception_exception.h"

#include <cerrno>

void qvrLogUnhandled(QVRErrorSource source, const WCHAR* szFile, uint32_t ulLine)
{
    uint32_t ulError = static_cast<uint32_t>(-1);
    if (source == QVRErrorSource::Errno)
        ulError = static_cast<uint32_t>(errno);
    else if (source == QVRErrorSource::LastError)
        ulError = GetLastError();
    try {
        CQVRUnhandledExceptionException unhandled(ulError, szFile, ulLine);
    } catch (...) {
        // Building an entry does not throw; this is only a last fence.
    }
}

void qvrLogIfNotLogged(CQVRLogging& entry)
{
    if (!entry.m_bLogged)
        entry.log();
    // The handler has written it (or tried to): an entry that would also
    // write itself when destroyed must not appear twice.
    entry.m_bLogOnDestroy = false;
}
