#ifndef QVR_LOGGING_OUTPUT_SERVER_H
#define QVR_LOGGING_OUTPUT_SERVER_H

struct CQVRLogRecord;

// Selectable, but defines no format: writes nothing and reports false.
class CQVRLoggingOutputServer {
public:
    virtual bool write(CQVRLogRecord& record);
};

#endif
