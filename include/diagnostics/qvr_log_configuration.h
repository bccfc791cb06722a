// Reads the logging configuration from HKEY_LOCAL_MACHINE
// "SOFTWARE\Dravonne\Logs" afresh for every decision. The only state is the
// process-wide dynamic logging state, read once.
#ifndef QVR_LOG_CONFIGURATION_H
#define QVR_LOG_CONFIGURATION_H

#include "qvr_platform.h"

#include <cstdint>

class CQVRLogging;
struct CQVRLogRecord;
struct CQVRDetailedLogRecord;

class CQVRLogConfiguration {
public:
    enum DynamicLoggingState { dlsNotRead, dlsOn, dlsOff };

    // Whether the entry's record is to be written. May set the entry's
    // m_usDetail and m_usOutputTypes and the record's m_szApplication.
    // pDetailed is the same record when it is a detailed one, else null.
    static bool isLoggable(CQVRLogging& entry, CQVRLogRecord& record, const CQVRDetailedLogRecord* pDetailed);
    // The "Logging" switch alone.
    static bool isLoggingEnabled();
    // Reads the path value of one output type into szBuffer (ulBytes bytes).
    static bool getOutputPath(uint16_t usOutputType, WCHAR* szBuffer, uint32_t ulBytes);
    // Reads "DynamicLogging" and sets the process-wide state.
    static void readDynamicLogging();
    // The state, reading it first when it has not been read yet.
    static bool isDynamicLoggingOn();
    static DynamicLoggingState getDynamicLoggingState();
    // Tests only: back to "not read yet".
    static void forgetDynamicLoggingState();
};

#endif
