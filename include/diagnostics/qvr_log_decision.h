// The configuration's answer for one record: whether to write it, with which
// detail mask and outputs, and the texts the record came without. The entry
// takes these over; the configuration never touches the entry.
#ifndef QVR_LOG_DECISION_H
#define QVR_LOG_DECISION_H

#include "diagnostics/qvr_owned_text.h"

#include <cstdint>

struct CQVRLogDecision {
    bool bWrite = false;
    uint16_t usDetail = 0;        // the detail mask the decision used; 0 when it used none
    uint16_t usOutputTypes = 0;   // the entry's own, or those of its per-application setting
    CQVROwnedText szApplication;  // the running program's base name, for a record without a name
    CQVROwnedText szTextPath;     // "TextOutput", for a record without a path that goes to the text output
};

#endif
