// The library's failure convention, written once: run a method's work, log a
// library exception that was not yet written, turn anything else into an
// unhandled-exception entry, and hand back the method's failure value.
#ifndef QVR_GUARD_H
#define QVR_GUARD_H

#include "diagnostics/qvr_logging.h"
#include "qvr_platform.h"

#include <cstdint>

// Which error value the catch-all records: the C runtime's errno (buffer,
// string and list code), the thread's last Win32 error, or -1.
enum class QVRErrorSource { Errno, LastError, MinusOne };

// Writes a CQVRUnhandledExceptionException for an exception of unknown type.
void qvrLogUnhandled(QVRErrorSource source, const WCHAR* szFile, uint32_t ulLine);

// Writes a caught library entry unless some earlier write of it succeeded.
void qvrLogIfNotLogged(CQVRLogging& entry);

template <class R, class Body>
R qvrGuard(R failValue, const WCHAR* szFile, uint32_t ulLine, QVRErrorSource source, Body&& body)
{
    try {
        return body();
    } catch (CQVRLogging& entry) {
        qvrLogIfNotLogged(entry);
    } catch (...) {
        qvrLogUnhandled(source, szFile, ulLine);
    }
    return failValue;
}

// The same for work without a result: true when it ran to its end.
template <class Body>
bool qvrTry(const WCHAR* szFile, uint32_t ulLine, QVRErrorSource source, Body&& body)
{
    return qvrGuard(false, szFile, ulLine, source, [&]() { body(); return true; });
}

#endif
