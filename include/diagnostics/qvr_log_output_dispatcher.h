// Hands a record that the configuration wants to each output its entry
// selects, in a fixed order.
#ifndef QVR_LOG_OUTPUT_DISPATCHER_H
#define QVR_LOG_OUTPUT_DISPATCHER_H

#include <cstdint>

struct CQVRLogRecord;
struct CQVRDetailedLogRecord;

class CQVRLogOutputDispatcher {
public:
    // Outputs are called in the order text, XML, HTML, server, unknown; the
    // result is that of the last one called, false when none is selected.
    static bool writeOutputs(uint16_t usOutputTypes, CQVRDetailedLogRecord& record);
    // The same for a simple record; the text output writes its simple form.
    static bool writeOutputs(uint16_t usOutputTypes, CQVRLogRecord& record);
};

#endif
