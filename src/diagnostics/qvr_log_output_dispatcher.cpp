// The dispatcher. An output that throws simply reports false.
#include "diagnostics/qvr_log_output_dispatcher.h"

#include "diagnostics/qvr_detailed_log_record.h"
#include "diagnostics/qvr_log_types.h"
#include "diagnostics/qvr_logging_output_server.h"
#include "diagnostics/qvr_logging_output_text.h"
#include "diagnostics/qvr_logging_output_unknown.h"
#include "diagnostics/qvr_logging_output_xml.h"

namespace {

template <class Output, class Record>
bool callWrite(Record& record)
{
    try {
        Output output;
        return output.write(record);
    } catch (...) {
        return false;
    }
}

// The outputs after the text one take either record kind alike.
bool writeOthers(uint16_t usOutputTypes, CQVRLogRecord& record, bool bResult)
{
    if (usOutputTypes & otXML)
        bResult = callWrite<CQVRLoggingOutputXML>(record);
    // HTML has no class of its own; its selection goes to the XML output.
    if (usOutputTypes & otHTML)
        bResult = callWrite<CQVRLoggingOutputXML>(record);
    if (usOutputTypes & otServer)
        bResult = callWrite<CQVRLoggingOutputServer>(record);
    if (usOutputTypes & otUnknown)
        bResult = callWrite<CQVRLoggingOutputUnknown>(record);
    return bResult;
}

}  // namespace

bool CQVRLogOutputDispatcher::writeOutputs(uint16_t usOutputTypes, CQVRDetailedLogRecord& record)
{
    bool bResult = false;
    if (usOutputTypes & otText)
        bResult = callWrite<CQVRLoggingOutputText>(record);
    return writeOthers(usOutputTypes, record, bResult);
}

bool CQVRLogOutputDispatcher::writeOutputsSimple(uint16_t usOutputTypes, CQVRLogRecord& record)
{
    bool bResult = false;
    if (usOutputTypes & otText) {
        try {
            CQVRLoggingOutputText output;
            bResult = output.writeSimple(record);
        } catch (...) {
            bResult = false;
        }
    }
    return writeOthers(usOutputTypes, record, bResult);
}
