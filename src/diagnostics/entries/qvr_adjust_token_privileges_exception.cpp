#include "diagnostics/entries/qvr_adjust_token_privileges_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRAdjustTokenPrivilegesException::CQVRAdjustTokenPrivilegesException(const WCHAR* szHandleName, uint32_t ulError,
                                                                       const WCHAR* szSourceFile, uint32_t ulLine,
                                                                       uint16_t usOutputTypes, bool bWriteNow)
    : CQVRLogException1(CQVRLogMessage(QVR_T("AdjustTokenPrivileges call failed for handle:%s"),
                                       CQVRLogMessage::orUnknown(szHandleName))
                            .text(),
                        ulError, rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, false, usOutputTypes)
{
}
