// The holder of a traced method's entry.
#include "diagnostics/qvr_function_trace.h"

#include "diagnostics/qvr_log_configuration.h"
#include "diagnostics/qvr_log_entry.h"

#include <new>

CQVRFunctionTrace::CQVRFunctionTrace(const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile,
                                     uint32_t ulLine, uint16_t usOutputTypes, bool bWriteNow, bool bWriteOnDestroy)
    : m_pEntry(nullptr)
{
    // The registry reads below must not disturb the traced method's error.
    const DWORD ulSavedError = GetLastError();
    try {
        if (CQVRLogConfiguration::isDynamicLoggingOn() && CQVRLogConfiguration::isLoggingEnabled()) {
            m_pEntry = new (std::nothrow) _CQVRLogEntry(szClassName, szMethodName, szSourceFile, ulLine, usOutputTypes,
                                                        bWriteNow, bWriteOnDestroy);
            // A method that stores no outcome counts as passed.
            if (m_pEntry != nullptr)
                m_pEntry->m_record.m_ulValue = 1;
        }
    } catch (...) {
        m_pEntry = nullptr;
    }
    SetLastError(ulSavedError);
}

CQVRFunctionTrace::~CQVRFunctionTrace() { delete m_pEntry; }

void CQVRFunctionTrace::setResult(uint32_t ulResultKind, uint32_t ulValue)
{
    if (m_pEntry != nullptr) {
        m_pEntry->m_record.m_ulResultKind = ulResultKind;
        m_pEntry->m_record.m_ulValue = ulValue;
    }
}
