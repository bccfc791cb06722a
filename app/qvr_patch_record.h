// The installer's two traces: the registry record of an installed patch
// below the product's key, and the patch log beside the installer.
#ifndef QVR_PATCH_RECORD_H
#define QVR_PATCH_RECORD_H

#include "core/qvr_wchar_string.h"

#include <cstdint>

// Patch numbers: the one this installer records, the one the earlier-patch
// gate looks for.
const uint32_t kRecordedPatch = 8102;
const uint32_t kEarlierPatch = 8100;

// The installer's own folder: its program file's path cut before the last
// backslash, or the current folder when the path has none.
CQVRWCharString installerFolder();

// Writes "description" and "updated" below <product key>\Patch\8102;
// false when the record could not be written whole.
bool recordPatch(const CQVRWCharString& description, const CQVRWCharString& updated);
// Whether <product key>\Patch\8100 exists.
bool isPatchInstalled();
// Appends text (which ends with CR LF) to "patchlog.txt" in the installer's
// folder, UTF-16 with one byte-order mark; a failure is silent.
void writePatchLog(const CQVRWCharString& text);

#endif
