// Root of every log entry, exception and warning. Handlers catch a
// CQVRLogging reference to treat all of them alike.
#ifndef QVR_LOGGING_H
#define QVR_LOGGING_H

#include "diagnostics/qvr_log_types.h"
#include "qvr_platform.h"

#include <cstdint>

struct CQVRLogRecord;
struct CQVRDetailedLogRecord;

class CQVRLogging {
public:
    virtual ~CQVRLogging();
    // Decides from the configuration and writes now; true when written.
    virtual bool log() = 0;

    bool isLogged() const { return m_bLogged; }

    bool m_bLogOnDestroy;
    uint16_t m_usOutputTypes;
    uint16_t m_usDetail;  // detail mask that the last decision used
    bool m_bLogged;       // some write of this entry succeeded

protected:
    CQVRLogging(bool bLogOnDestroy, uint16_t usOutputTypes);
    CQVRLogging(const CQVRLogging&) = default;
    CQVRLogging& operator=(const CQVRLogging&) = default;

    // The write sequence: keeps the thread's last error, asks the
    // configuration, takes over what it decided, hands the record to the
    // outputs in the record's own form and records success.
    bool writeSequence(CQVRDetailedLogRecord& record);
    bool writeSequence(CQVRLogRecord& record);

private:
    template <class Record> bool write(Record& record);
};

#endif
