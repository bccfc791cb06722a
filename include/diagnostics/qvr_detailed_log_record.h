// The detailed log record: the simple record plus where it happened.
#ifndef QVR_DETAILED_LOG_RECORD_H
#define QVR_DETAILED_LOG_RECORD_H

#include "diagnostics/qvr_log_record.h"

struct CQVRDetailedLogRecord : CQVRLogRecord {
    WCHAR* m_szClassName;
    WCHAR* m_szMethodName;
    WCHAR* m_szSourceFile;  // as the producer passed it; may hold directories
    uint32_t m_ulLine;      // 0 means none

    CQVRDetailedLogRecord();
    CQVRDetailedLogRecord(const CQVRDetailedLogRecord& other);
    CQVRDetailedLogRecord& operator=(const CQVRDetailedLogRecord& other);
    ~CQVRDetailedLogRecord();
};

#endif
