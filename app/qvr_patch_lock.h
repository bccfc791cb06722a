// One patch run at a time on a machine. Two runs at once (a deployment tool
// and a logon script) moved each other's new copies onto the .bak names and
// rolled back over each other's work, and the machine they left could not
// be mended by running the patch again. A run holds this lock from before
// the product is stopped until its record is written or its rollback done;
// a second run waits, then meets the libraries the first left.
#ifndef QVR_PATCH_LOCK_H
#define QVR_PATCH_LOCK_H

#include "core/qvr_scoped_handle.h"

class CQVRPatchLock {
public:
    // Waits for the lock as long as another run holds it. A lock that cannot
    // be made or waited for is written to the library's log, and the run
    // goes on without it.
    CQVRPatchLock();
    // Releases the lock (the handle closes whatever happens).
    ~CQVRPatchLock();
    CQVRPatchLock(const CQVRPatchLock&) = delete;
    CQVRPatchLock& operator=(const CQVRPatchLock&) = delete;

    // A named mutex in the global namespace, so that runs in other sessions
    // (a service, another user's logon script) are kept apart too.
    static const WCHAR* const kName;

private:
    CQVRScopedHandle<QVRKernelObjectTraits> m_mutex;
    bool m_bHeld;
};

#endif
