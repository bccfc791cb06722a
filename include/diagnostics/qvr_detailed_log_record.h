// The detailed log record: the simple record plus where it happened.
#ifndef QVR_DETAILED_LOG_RECORD_H
#define QVR_DETAILED_LOG_RECORD_H

#include "diagnostics/qvr_log_record.h"

struct CQVRDetailedLogRecord : CQVRLogRecord {
    CQVROwnedText m_szClassName;
    CQVROwnedText m_szMethodName;
    CQVROwnedText m_szSourceFile;  // as the producer passed it; may hold directories
    uint32_t m_ulLine = 0;         // 0 means none
};

#endif
