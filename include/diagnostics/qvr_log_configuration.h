// Reads the logging configuration from HKEY_LOCAL_MACHINE
// "SOFTWARE\Dravonne\Logs" afresh for every decision. The only state is the
// process-wide dynamic logging state, read once.
#ifndef QVR_LOG_CONFIGURATION_H
#define QVR_LOG_CONFIGURATION_H

#include "diagnostics/qvr_log_decision.h"
#include "qvr_platform.h"

#include <cstdint>

struct CQVRLogRecord;
struct CQVRDetailedLogRecord;

class CQVRLogConfiguration {
public:
    enum DynamicLoggingState { dlsNotRead, dlsOn, dlsOff };

    // Whether a record that its entry sends to usOutputTypes is to be
    // written. A detailed record also passes the class filters.
    static CQVRLogDecision isLoggable(const CQVRLogRecord& record, uint16_t usOutputTypes);
    static CQVRLogDecision isLoggable(const CQVRDetailedLogRecord& record, uint16_t usOutputTypes);
    // The "Logging" switch alone.
    static bool isLoggingEnabled();
    // Reads the path value of one output type into szBuffer (ulBytes bytes).
    // A path that does not fit whole, terminator included, is found but
    // handed back empty.
    static bool getOutputPath(uint16_t usOutputType, WCHAR* szBuffer, uint32_t ulBytes);
    // The text output's path, read as the text output reads it (256 bytes);
    // false when there is none or it does not fit.
    static bool getTextOutputPath(CQVROwnedText& path);
    // Reads "DynamicLogging" and sets the process-wide state.
    static void readDynamicLogging();
    // The state, reading it first when it has not been read yet.
    static bool isDynamicLoggingOn();
    static DynamicLoggingState getDynamicLoggingState();
    // Tests only: back to "not read yet".
    static void forgetDynamicLoggingState();
};

#endif
