// The text output: appends one UTF-16 line per record to the log file that
// the configuration names.
#ifndef QVR_LOGGING_OUTPUT_TEXT_H
#define QVR_LOGGING_OUTPUT_TEXT_H

struct CQVRLogRecord;
struct CQVRDetailedLogRecord;

class CQVRLoggingOutputText {
public:
    // True when the line was handed to the file. May set the record's
    // m_szOutputPath from the configuration.
    virtual bool write(CQVRDetailedLogRecord& record);
    virtual bool writeSimple(CQVRLogRecord& record);
};

#endif
