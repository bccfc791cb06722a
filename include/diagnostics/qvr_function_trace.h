// A traced method's ENTRY and EXIT records. Lives on the method's stack; holds
// an entry only while dynamic logging is on and the "Logging" switch is set.
#ifndef QVR_FUNCTION_TRACE_H
#define QVR_FUNCTION_TRACE_H

#include "diagnostics/qvr_log_types.h"
#include "qvr_platform.h"

#include <cstdint>

class _CQVRLogEntry;

class CQVRFunctionTrace {
public:
    // Reads the dynamic logging state on the first traced call of the process;
    // when tracing, builds the entry, which writes the ENTRY record.
    CQVRFunctionTrace(const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine,
                      uint16_t usOutputTypes = otText, bool bWriteNow = true, bool bWriteOnDestroy = true);
    // Deletes the entry, which writes the EXIT record with the stored outcome.
    ~CQVRFunctionTrace();

    CQVRFunctionTrace(const CQVRFunctionTrace&) = delete;
    CQVRFunctionTrace& operator=(const CQVRFunctionTrace&) = delete;

    // Stores the method's outcome; methods without a boolean result keep the
    // default (pass/fail, value 1).
    void setResult(uint32_t ulResultKind, uint32_t ulValue);

    // Store a boolean outcome and hand it back, for `return trace.logical(r);`.
    bool passFail(bool bResult)
    {
        setResult(rkPassFail, bResult ? 1 : 0);
        return bResult;
    }
    bool logical(bool bResult)
    {
        setResult(rkLogical, bResult ? 1 : 0);
        return bResult;
    }

    bool isTracing() const { return m_pEntry != nullptr; }

private:
    _CQVRLogEntry* m_pEntry;
};

#endif
