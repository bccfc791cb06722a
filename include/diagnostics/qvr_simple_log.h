// An entry with a simple record (no source information), written in the
// simple text form.
#ifndef QVR_SIMPLE_LOG_H
#define QVR_SIMPLE_LOG_H

#include "diagnostics/qvr_log_record.h"
#include "diagnostics/qvr_logging.h"

class CQVRSimpleLog : public CQVRLogging {
public:
    CQVRSimpleLog(uint32_t ulLevel, const WCHAR* szMessage, uint32_t ulValue, uint32_t ulResultKind, bool bWriteNow,
                  bool bWriteOnDestroy, uint16_t usOutputTypes, const WCHAR* szApplication = nullptr,
                  const WCHAR* szOutputPath = nullptr);
    CQVRSimpleLog(const CQVRSimpleLog& other) = default;
    ~CQVRSimpleLog() override;

    bool log() override;

    CQVRLogRecord m_record;
};

#endif
