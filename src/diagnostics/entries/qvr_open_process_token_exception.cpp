#include "diagnostics/entries/qvr_open_process_token_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVROpenProcessTokenException::CQVROpenProcessTokenException(const WCHAR* szHandleDescription, uint32_t ulError,
                                                             const WCHAR* szSourceFile, uint32_t ulLine,
                                                             uint16_t usOutputTypes, bool bWriteNow)
    : CQVRLogException1(CQVRLogMessage(QVR_T("OpenProcessToken call failed for handle:%s"),
                                       CQVRLogMessage::orUnknown(szHandleDescription))
                            .text(),
                        ulError, rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, false, usOutputTypes)
{
}
