// Formatting of entry messages.
#include "diagnostics/qvr_log_message.h"

static const WCHAR* const kUnknown = QVR_T("Unknown");

const WCHAR* CQVRLogMessage::orUnknown(const WCHAR* szArgument) { return orText(szArgument, kUnknown); }

const WCHAR* CQVRLogMessage::orText(const WCHAR* szArgument, const WCHAR* szReplacement)
{
    return szArgument == nullptr ? szReplacement : szArgument;
}
