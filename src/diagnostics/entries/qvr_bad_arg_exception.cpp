#include "diagnostics/entries/qvr_bad_arg_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRBadArgException::CQVRBadArgException(const WCHAR* szArgumentName, const WCHAR* szDescription,
                                         const WCHAR* szSourceFile, uint32_t ulLine, uint16_t usOutputTypes,
                                         bool bWriteNow, bool bWriteOnDestroy)
    : CQVRLogException1(CQVRLogMessage(QVR_T("A bad argument was provided ( %s ). %s"),
                                       CQVRLogMessage::orUnknown(szArgumentName),
                                       CQVRLogMessage::orUnknown(szDescription))
                            .text(),
                        0, rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, bWriteOnDestroy, usOutputTypes)
{
}
