// The simple log record: what happened, without source information. Its text
// fields own their copies, so records copy and destroy like plain values.
#ifndef QVR_LOG_RECORD_H
#define QVR_LOG_RECORD_H

#include "diagnostics/qvr_owned_text.h"

#include <cstdint>

struct CQVRLogRecord {
    uint32_t m_ulLevel = 0;
    CQVROwnedText m_szMessage;
    CQVROwnedText m_szApplication;  // the running program's base name when none was given
    CQVROwnedText m_szOutputPath;   // the text log file, from the configuration when none was given
    uint32_t m_ulResultKind = 0;
    uint32_t m_ulValue = 0;
};

#endif
