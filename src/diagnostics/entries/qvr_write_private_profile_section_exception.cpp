#include "diagnostics/entries/qvr_write_private_profile_section_exception.h"

#include "diagnostics/qvr_log_message.h"

CQVRWritePrivateProfileSectionException::CQVRWritePrivateProfileSectionException(const WCHAR* szSection,
                                                                                 uint32_t ulError,
                                                                                 const WCHAR* szSourceFile,
                                                                                 uint32_t ulLine,
                                                                                 uint16_t usOutputTypes, bool bWriteNow)
    : CQVRLogException1(
          CQVRLogMessage(QVR_T("Unable to write profile section ( section: %s )"), CQVRLogMessage::orUnknown(szSection))
              .text(),
          ulError, rkError, nullptr, nullptr, szSourceFile, ulLine, bWriteNow, false, usOutputTypes)
{
}
