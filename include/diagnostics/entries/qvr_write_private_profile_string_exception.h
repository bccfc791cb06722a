// "Unable to write profile string ( section: %s, key name: %s )"
// Never written on destroy.
#ifndef QVR_WRITE_PRIVATE_PROFILE_STRING_EXCEPTION_H
#define QVR_WRITE_PRIVATE_PROFILE_STRING_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRWritePrivateProfileStringException : public CQVRLogException1 {
public:
    CQVRWritePrivateProfileStringException(const WCHAR* szSection, const WCHAR* szKeyName, uint32_t ulError,
                                           const WCHAR* szSourceFile, uint32_t ulLine, uint16_t usOutputTypes = otText,
                                           bool bWriteNow = true)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, false}, ulError, rkError,
                            QVR_T("Unable to write profile string ( section: %s, key name: %s )"), szSection, szKeyName)
    {
    }
};

#endif
