// The library's failure convention, written once: run a method's work, log a
// library exception that was not yet written, turn anything else into an
// unhandled-exception entry, and hand back the method's failure value. A
// traced method opens its trace through the same helper, so a method names
// itself and its line once.
#ifndef QVR_GUARD_H
#define QVR_GUARD_H

#include "diagnostics/qvr_function_trace.h"
#include "diagnostics/qvr_log_types.h"
#include "diagnostics/qvr_logging.h"
#include "qvr_platform.h"

#include <cstdint>

// Which error value the catch-all records: the C runtime's errno (buffer,
// string and list code), the thread's last Win32 error, or -1.
enum class QVRErrorSource { Errno, LastError, MinusOne };

// One per source file: the class its records name, the file name they show,
// and the error value its catch-alls record unless a method says otherwise.
// It stands for its file name wherever an entry asks for a source file.
struct QVRSourceFile {
    const WCHAR* szClassName;
    const WCHAR* szFileName;
    QVRErrorSource errorSource;

    operator const WCHAR*() const { return szFileName; }
};

// Writes a CQVRUnhandledExceptionException for an exception of unknown type.
void qvrLogUnhandled(QVRErrorSource source, const WCHAR* szFile, uint32_t ulLine);

// The handler's step for a caught library entry: written unless some earlier
// write of it succeeded, and not written again when it is destroyed.
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
template <class Body> bool qvrTry(const WCHAR* szFile, uint32_t ulLine, QVRErrorSource source, Body&& body)
{
    return qvrGuard(false, szFile, ulLine, source, [&]() {
        body();
        return true;
    });
}

// The forms a method of a library file uses: its file constant, its line (a
// method whose error source differs passes it to the forms above).
template <class R, class Body> R qvrGuard(R failValue, const QVRSourceFile& file, uint32_t ulLine, Body&& body)
{
    return qvrGuard(failValue, file.szFileName, ulLine, file.errorSource, body);
}

template <class Body> bool qvrTry(const QVRSourceFile& file, uint32_t ulLine, Body&& body)
{
    return qvrTry(file.szFileName, ulLine, file.errorSource, body);
}

// A traced method: the trace is opened (ENTRY), the body runs under the
// failure convention, and its boolean outcome is stored in the trace with the
// method's result kind before the trace closes (EXIT).
template <class Body>
bool qvrTraced(const QVRSourceFile& file, const WCHAR* szMethodName, uint32_t ulLine, QVRResultKind resultKind,
               QVRErrorSource source, Body&& body)
{
    CQVRFunctionTrace trace(file.szClassName, szMethodName, file.szFileName, ulLine);
    const bool bResult = qvrGuard(false, file.szFileName, ulLine, source, body);
    trace.setResult(resultKind, bResult ? 1 : 0);
    return bResult;
}

template <class Body>
bool qvrTraced(const QVRSourceFile& file, const WCHAR* szMethodName, uint32_t ulLine, QVRResultKind resultKind,
               Body&& body)
{
    return qvrTraced(file, szMethodName, ulLine, resultKind, file.errorSource, body);
}

// A traced method whose own work cannot fail (a constructor or destructor
// whose members did the work): the trace opens and stores a pass.
inline void qvrTracedPass(const QVRSourceFile& file, const WCHAR* szMethodName, uint32_t ulLine)
{
    CQVRFunctionTrace trace(file.szClassName, szMethodName, file.szFileName, ulLine);
    trace.setResult(rkPassFail, 1);
}

#endif
