#ifndef QVR_LOGGING_OUTPUT_XML_H
#define QVR_LOGGING_OUTPUT_XML_H

struct CQVRLogRecord;

// Selectable, but defines no format: writes nothing and reports false.
class CQVRLoggingOutputXML {
public:
    virtual bool write(CQVRLogRecord& record);
};

#endif
