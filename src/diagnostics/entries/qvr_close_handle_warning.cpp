#include "diagnostics/entries/qvr_close_handle_warning.h"

#include "diagnostics/qvr_log_message.h"

CCloseHandleWarning::CCloseHandleWarning(const WCHAR* szHandleName, uint32_t ulError, const WCHAR* szSourceFile,
                                         uint32_t ulLine, uint16_t usOutputTypes, bool bWriteNow)
    : CQVRLogWarning(
          CQVRLogMessage(QVR_T("Unable to free memory ( %s )"), CQVRLogMessage::orUnknown(szHandleName)).text(),
          ulError, rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, false, usOutputTypes)
{
}
