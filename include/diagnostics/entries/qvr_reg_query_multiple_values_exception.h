// "Unable to query multiple values from registry key ( "%s" )"
#ifndef QVR_REG_QUERY_MULTIPLE_VALUES_EXCEPTION_H
#define QVR_REG_QUERY_MULTIPLE_VALUES_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRRegQueryMultipleValuesException : public CQVRLogException1 {
public:
    CQVRRegQueryMultipleValuesException(const WCHAR* szKeyPath, uint32_t ulError, const WCHAR* szSourceFile,
                                        uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true,
                                        bool bWriteOnDestroy = false)
        : CQVRLogException1({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy},
                            ulError, rkPassFail, QVR_T("Unable to query multiple values from registry key ( \"%s\" )"),
                            szKeyPath)
    {
    }
};

#endif
