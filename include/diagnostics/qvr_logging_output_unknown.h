#ifndef QVR_LOGGING_OUTPUT_UNKNOWN_H
#define QVR_LOGGING_OUTPUT_UNKNOWN_H

struct CQVRLogRecord;

// Selectable, but defines no format: writes nothing and reports false.
class CQVRLoggingOutputUnknown {
public:
    virtual bool write(CQVRLogRecord& record);
};

#endif
