// The note written when a message box is shown: "Message Box displayed: "
// and the box's text, at the NOTIFICATION level, written at once.
#ifndef QVR_LOG_NOTIFICATION_H
#define QVR_LOG_NOTIFICATION_H

#include "diagnostics/qvr_simple_log.h"

class CLogNotification : public CQVRSimpleLog {
public:
    explicit CLogNotification(const WCHAR* szMessageText, uint16_t usOutputTypes = otText, bool bWriteNow = true,
                              bool bWriteOnDestroy = false);
};

#endif
