// Base of every exception of the library; also thrown directly with a
// caller's plain message.
#ifndef QVR_LOG_EXCEPTION1_H
#define QVR_LOG_EXCEPTION1_H

#include "diagnostics/qvr_detailed_log.h"

class CQVRLogException1 : public CQVRDetailedLog {
public:
    // Thrown directly: level EXCEPTION_BAD, result kind 0, written at once.
    CQVRLogException1(const WCHAR* szMessage, uint32_t ulValue, const WCHAR* szSourceFile, uint32_t ulLine);

protected:
    // For the concrete exceptions: level EXCEPTION_BAD and every record field.
    CQVRLogException1(const WCHAR* szMessage, uint32_t ulValue, uint32_t ulResultKind, const WCHAR* szClassName,
                      const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine, bool bWriteNow,
                      bool bWriteOnDestroy, uint16_t usOutputTypes);
};

#endif
