#ifndef QVR_WRITE_PRIVATE_PROFILE_SECTION_EXCEPTION_H
#define QVR_WRITE_PRIVATE_PROFILE_SECTION_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "Unable to write profile section ( section: %s )"
class CQVRWritePrivateProfileSectionException : public CQVRLogException1 {
public:
    // Never written on destroy.
    CQVRWritePrivateProfileSectionException(const WCHAR* szSection, uint32_t ulError, const WCHAR* szSourceFile,
                                            uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true);
};

#endif
