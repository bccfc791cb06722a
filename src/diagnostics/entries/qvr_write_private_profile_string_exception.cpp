#include "diagnostics/entries/qvr_write_private_profile_string_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRWritePrivateProfileStringException::CQVRWritePrivateProfileStringException(const WCHAR* szSection,
                                                                               const WCHAR* szKeyName, uint32_t ulError,
                                                                               const WCHAR* szSourceFile,
                                                                               uint32_t ulLine, uint16_t usOutputTypes,
                                                                               bool bWriteNow)
    : CQVRLogException1(CQVRLogMessage(QVR_T("Unable to write profile string ( section: %s, key name: %s )"),
                                       CQVRLogMessage::orUnknown(szSection), CQVRLogMessage::orUnknown(szKeyName))
                            .text(),
                        ulError, rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, false, usOutputTypes)
{
}
