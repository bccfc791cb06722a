// The root of every log entry and the write sequence they all share.
#include "diagnostics/qvr_logging.h"

#include "diagnostics/qvr_detailed_log_record.h"
#include "diagnostics/qvr_log_configuration.h"
#include "diagnostics/qvr_log_output_dispatcher.h"

#include <utility>

CQVRLogging::CQVRLogging(bool bLogOnDestroy, uint16_t usOutputTypes)
    : m_bLogOnDestroy(bLogOnDestroy), m_usOutputTypes(usOutputTypes), m_usDetail(0), m_bLogged(false)
{
}

CQVRLogging::~CQVRLogging() {}

bool CQVRLogging::writeSequence(CQVRDetailedLogRecord& record) { return write(record); }

bool CQVRLogging::writeSequence(CQVRLogRecord& record) { return write(record); }

template <class Record> bool CQVRLogging::write(Record& record)
{
    // A caller that logs on its failure path still reads its own error code
    // afterwards, so nothing below may leave the last error changed.
    const DWORD ulSavedError = GetLastError();
    bool bResult = false;
    try {
        CQVRLogDecision decision = CQVRLogConfiguration::isLoggable(record, m_usOutputTypes);
        m_usDetail = decision.usDetail;
        m_usOutputTypes = decision.usOutputTypes;
        if (decision.szApplication.get() != nullptr)
            record.m_szApplication = std::move(decision.szApplication);
        if (decision.szTextPath.get() != nullptr)
            record.m_szOutputPath = std::move(decision.szTextPath);
        if (decision.bWrite) {
            bResult = CQVRLogOutputDispatcher::writeOutputs(m_usOutputTypes, record);
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
