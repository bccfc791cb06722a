// "LookupPrivilegeValue call failed for privilege:%s"
// Never written on destroy.
#ifndef QVR_LOOKUP_PRIVILEGE_VALUE_EXCEPTION_H
#define QVR_LOOKUP_PRIVILEGE_VALUE_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRLookupPrivilegeValueException : public CQVRLogException1 {
public:
    CQVRLookupPrivilegeValueException(const WCHAR* szPrivilegeName, uint32_t ulError, const WCHAR* szSourceFile,
                                      uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, false}, ulError, rkError,
                            QVR_T("LookupPrivilegeValue call failed for privilege:%s"), szPrivilegeName)
    {
    }
};

#endif
