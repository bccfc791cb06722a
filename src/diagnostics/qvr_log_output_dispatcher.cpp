// The dispatcher. An output that throws simply reports false.
#include "diagnostics/qvr_log_output_dispatcher.h"

#include "diagnostics/qvr_detailed_log_record.h"
#include "diagnostics/qvr_log_types.h"
#include "diagnostics/qvr_logging_output_server.h"
#include "diagnostics/qvr_logging_output_text.h"
#include "diagnostics/qvr_logging_output_unknown.h"
#include "diagnostics/qvr_logging_output_xml.h"

namespace {

// The text output's form for each record kind.
bool writeText(CQVRDetailedLogRecord& record) { return CQVRLoggingOutputText().write(record); }
bool writeText(CQVRLogRecord& record) { return CQVRLoggingOutputText().writeSimple(record); }

template <class Output, class Record> bool writeOther(Record& record) { return Output().write(record); }

template <class Record> bool dispatch(uint16_t usOutputTypes, Record& record)
{
    // Each output on its own: one that throws fails alone.
    auto call = [](bool (*write)(Record&), Record& r) {
        try {
            return write(r);
        } catch (...) {
            return false;
        }
    };
    bool bResult = false;
    if (usOutputTypes & otText)
        bResult = call(writeText, record);
    if (usOutputTypes & otXML)
        bResult = call(writeOther<CQVRLoggingOutputXML, Record>, record);
    // HTML has no class of its own; its selection goes to the XML output.
    if (usOutputTypes & otHTML)
        bResult = call(writeOther<CQVRLoggingOutputXML, Record>, record);
    if (usOutputTypes & otServer)
        bResult = call(writeOther<CQVRLoggingOutputServer, Record>, record);
    if (usOutputTypes & otUnknown)
        bResult = call(writeOther<CQVRLoggingOutputUnknown, Record>, record);
    return bResult;
}

}  // namespace

bool CQVRLogOutputDispatcher::writeOutputs(uint16_t usOutputTypes, CQVRDetailedLogRecord& record)
{
    return dispatch(usOutputTypes, record);
}

bool CQVRLogOutputDispatcher::writeOutputs(uint16_t usOutputTypes, CQVRLogRecord& record)
{
    return dispatch(usOutputTypes, record);
}
