#include "diagnostics/entries/qvr_lookup_privilege_value_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRLookupPrivilegeValueException::CQVRLookupPrivilegeValueException(const WCHAR* szPrivilegeName, uint32_t ulError,
                                                                     const WCHAR* szSourceFile, uint32_t ulLine,
                                                                     uint16_t usOutputTypes, bool bWriteNow)
    : CQVRLogException1(CQVRLogMessage(QVR_T("LookupPrivilegeValue call failed for privilege:%s"),
                                       CQVRLogMessage::orUnknown(szPrivilegeName))
                            .text(),
                        ulError, rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, false, usOutputTypes)
{
}
