// The patch procedure: the product process stopped, each library of the
// release version-compared and replaced (kept as .bak), the patch recorded
// and the restart offered; on failure every library back as it was and the
// product started again.
#ifndef QVR_PATCH_PROCEDURE_H
#define QVR_PATCH_PROCEDURE_H

#include "core/qvr_wchar_string.h"

#include <cstdint>

// A library this run replaced: its path and its .bak's; bAdded when there
// was none before and the new one came in where nothing was moved aside.
struct CQVRReplacedFile {
    CQVRWCharString target;
    CQVRWCharString backup;
    bool bAdded = false;
};

// The libraries a run replaced, in order. A run replaces at most four.
struct CQVRReplacedFiles {
    static constexpr uint32_t kCapacity = 4;
    CQVRReplacedFile files[kCapacity];
    uint32_t ulCount = 0;
};

// platformType as getSystemState gives it: 2 for 32-bit, 1 for 64-bit.
void applyPatch(uint32_t ulPlatformType, uint32_t ulRelease);
// The result of the last termination, 0 when no process matched.
int32_t stopProcess(const CQVRWCharString& name);
// Compares versions, moves the target to its .bak and copies the source in
// (each replacement recorded in pReplaced). A source that is no program
// image fails as a failed copy does, before anything is moved.
bool replaceFile(const CQVRWCharString& source, const CQVRWCharString& target, CQVRReplacedFiles* pReplaced = nullptr);
// name itself when it holds ":\", else the product's install directory
// followed by name (name alone when that cannot be read).
CQVRWCharString resolveProductPath(const CQVRWCharString& name);
bool getFileVersion(const CQVRWCharString& path, uint32_t& ulMS, uint32_t& ulLS);
bool runProgram(const CQVRWCharString& name);
// The end-of-run question; a Yes restarts the system.
void finishPatch();

#endif
