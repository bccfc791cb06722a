#ifndef QVR_LOOKUP_PRIVILEGE_VALUE_EXCEPTION_H
#define QVR_LOOKUP_PRIVILEGE_VALUE_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "LookupPrivilegeValue call failed for privilege:%s"
class CQVRLookupPrivilegeValueException : public CQVRLogException1 {
public:
    // Never written on destroy.
    CQVRLookupPrivilegeValueException(const WCHAR* szPrivilegeName, uint32_t ulError, const WCHAR* szSourceFile,
                                      uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true);
};

#endif
