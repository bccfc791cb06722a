// "Unable to write profile section ( section: %s )"
// Never written on destroy.
#ifndef QVR_WRITE_PRIVATE_PROFILE_SECTION_EXCEPTION_H
#define QVR_WRITE_PRIVATE_PROFILE_SECTION_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRWritePrivateProfileSectionException : public CQVRLogException1 {
public:
    CQVRWritePrivateProfileSectionException(const WCHAR* szSection, uint32_t ulError, const WCHAR* szSourceFile,
                                            uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, false}, ulError, rkError,
                            QVR_T("Unable to write profile section ( section: %s )"), szSection)
    {
    }
};

#endif
