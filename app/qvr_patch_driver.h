// The installer's entry and decision chain: the silent switch, the gates in
// their fixed order, and every message shown (or taken silently) and logged.
#ifndef QVR_PATCH_DRIVER_H
#define QVR_PATCH_DRIVER_H

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

struct SystemState {
    uint32_t osFamily = 0;      // 1: Vista or 7 (6.x), 2: XP or Server 2003 (5.1, 5.2), 0: other
    uint32_t platformType = 0;  // 2: 32-bit Windows, 1: 64-bit Windows, 0: other
};

struct InstalledVersion {
    CQVRWCharString text;  // as registered, "8.20.23"
    int32_t release = 0;   // first and second field joined: 820
    int32_t build = 0;     // third field: 23
};

// Message-box styles and the answers that silent runs take.
const UINT kStyleOk = 0;
const UINT kStyleYesNo = 4;
const int kAnswerOk = 1;
const int kAnswerYes = 6;
const int kAnswerNo = 7;

// The whole run for this command-line tail; 0 on every path.
int runPatch(const WCHAR* szCommandLine);
// Whether the command-line tail asks for a silent run ("/s", "/S", "-s",
// "-S" anywhere).
bool isSilentCommandLine(const WCHAR* szCommandLine);

GateResult checkPrerequisites();
bool getSystemState(SystemState& state);
bool getInstalledVersion(InstalledVersion& version);
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
