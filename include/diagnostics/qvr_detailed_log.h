// An entry with a detailed record (source information).
#ifndef QVR_DETAILED_LOG_H
#define QVR_DETAILED_LOG_H

#include "diagnostics/qvr_detailed_log_record.h"
#include "diagnostics/qvr_logging.h"

class CQVRDetailedLog : public CQVRLogging {
public:
    CQVRDetailedLog(uint32_t ulLevel, const WCHAR* szMessage, uint32_t ulValue, uint32_t ulResultKind,
                    const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine,
                    bool bWriteNow, bool bWriteOnDestroy, uint16_t usOutputTypes, const WCHAR* szApplication = nullptr,
                    const WCHAR* szOutputPath = nullptr);
    CQVRDetailedLog(const CQVRDetailedLog& other) = default;
    ~CQVRDetailedLog() override;

    bool log() override;

    CQVRDetailedLogRecord m_record;
};

#endif
