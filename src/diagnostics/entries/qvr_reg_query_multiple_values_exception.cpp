#include "diagnostics/entries/qvr_reg_query_multiple_values_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRRegQueryMultipleValuesException::CQVRRegQueryMultipleValuesException(const WCHAR* szKeyPath, uint32_t ulError,
                                                                         const WCHAR* szSourceFile, uint32_t ulLine,
                                                                         uint16_t usOutputTypes, bool bWriteNow,
                                                                         bool bWriteOnDestroy)
    : CQVRLogException1(CQVRLogMessage(QVR_T("Unable to query multiple values from registry key ( \"%s\" )"),
                                       CQVRLogMessage::orUnknown(szKeyPath))
                            .text(),
                        ulError, rkPassFail, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, bWriteOnDestroy,
                        usOutputTypes)
{
}
