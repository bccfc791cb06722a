#include "diagnostics/entries/qvr_reg_enum_key_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRRegEnumKeyException::CQVRRegEnumKeyException(const WCHAR* szKeyPath, uint32_t ulError, const WCHAR* szClassName,
                                                 const WCHAR* szMethodName, const WCHAR* szSourceFile, uint32_t ulLine,
                                                 uint16_t usOutputTypes, bool bWriteNow, bool bWriteOnDestroy)
    : CQVRLogException1(
          CQVRLogMessage(QVR_T("Unable to enumerate subkeys from key ( \"%s\" )"), CQVRLogMessage::orUnknown(szKeyPath))
              .text(),
          ulError, rkError, szClassName, szMethodName, szSourceFile, ulLine, bWriteNow, bWriteOnDestroy, usOutputTypes)
{
}
