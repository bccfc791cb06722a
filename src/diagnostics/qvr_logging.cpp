// The root of every log entry and the write sequence they all share.
#include "diagnostics/qvr_logging.h"

#include "diagnostics/qvr_detailed_log_record.h"
#include "diagnostics/qvr_log_configuration.h"
#include "diagnostics/qvr_log_output_dispatcher.h"

CQVRLogging::CQVRLogging(bool bLogOnDestroy, uint16_t usOutputTypes)
    : m_bLogOnDestroy(bLogOnDestroy), m_usOutputTypes(usOutputTypes), m_usDetail(0), m_bLogged(false)
{
}

CQVRLogging::~CQVRLogging() {}

bool CQVRLogging::writeSequence(CQVRLogRecord& record, bool bDetailed)
{
    // A caller that logs on its failure path still reads its own error code
    // afterwards, so nothing below may leave the last error changed.
    const DWORD ulSavedError = GetLastError();
    bool bResult = false;
    try {
        CQVRDetailedLogRecord* pDetailed = bDetailed ? static_cast<CQVRDetailedLogRecord*>(&record) : nullptr;
        if (CQVRLogConfiguration::isLoggable(*this, record, pDetailed)) {
            bResult = bDetailed ? CQVRLogOutputDispatcher::writeOutputs(m_usOutputTypes, *pDetailed)
                                : CQVRLogOutputDispatcher::writeOutputsSimple(m_usOutputTypes, record);
            if (bResult)
                m_bLogged = true;
        }
    } catch (...) {
        // Logging never throws to the entry's builder.
        bResult = false;
    }
    SetLastError(ulSavedError);
    return bResult;
}
