// The installer's messages: the texts of its string table in the user's
// language, each shown (or, in a silent run, taken with its silent answer)
// and written to the patch log with the answer.
#ifndef QVR_PATCH_MESSAGES_H
#define QVR_PATCH_MESSAGES_H

#include "core/qvr_wchar_string.h"
#include "qvr_platform.h"

#include <cstdint>

// Set once, from the command line, before the first gate.
extern bool g_bSilent;

// The outcome of the gates, one message each.
enum GateResult : uint32_t {
    grPass = 0,
    grWrongOS = 1,
    grWrongVersion = 2,
    grAlreadyInstalled = 3,
    grNotInstalled = 4,
    grCompleted = 5,
    grFailed = 6
};

// Message-box styles and the answers that silent runs take.
const UINT kStyleOk = 0;
const UINT kStyleYesNo = 4;
const int kAnswerOk = 1;
const int kAnswerYes = 6;
const int kAnswerNo = 7;

void showResult(GateResult result, UINT ulStyle, int iSilentAnswer);
// Shows the message (or, silently, takes silentAnswer), logs it with the
// answer, and returns the answer.
int showMessage(uint32_t ulMessageID, UINT ulStyle, int iSilentAnswer);

// A text of the string table in the user's language, at most 299
// characters; empty when the table has none.
CQVRWCharString loadText(uint32_t ulID);
// A text of the English (US) table, whatever the user's language.
CQVRWCharString loadEnglishText(uint32_t ulID);
// A log line's text: the user's language, or English (US) when that table
// has no such text, with its first "%s" replaced by the argument.
CQVRWCharString logText(uint32_t ulID, const CQVRWCharString& argument);

#endif
