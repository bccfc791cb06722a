#include "diagnostics/entries/qvr_reg_value_set_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRRegValueSetException::CQVRRegValueSetException(const WCHAR* szKeyPath, const WCHAR* szValueName, uint32_t ulError,
                                                   const WCHAR* szClassName, const WCHAR* szMethodName,
                                                   const WCHAR* szSourceFile, uint32_t ulLine, uint16_t usOutputTypes,
                                                   bool bWriteNow, bool bWriteOnDestroy)
    : CQVRLogException1(CQVRLogMessage(QVR_T("Unable to Set registry value ( \"%s\\%s\" )"),
                                       CQVRLogMessage::orUnknown(szKeyPath), CQVRLogMessage::orUnknown(szValueName))
                            .text(),
                        ulError, rkPassFail, szClassName, szMethodName, szSourceFile, ulLine, bWriteNow,
                        bWriteOnDestroy, usOutputTypes)
{
}
