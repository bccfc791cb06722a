// One patch run at a time.
#include "qvr_patch_lock.h"

#include "diagnostics/entries/qvr_patch_lock_warning.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {nullptr, QVR_T("qvr_patch_lock.cpp"), QVRErrorSource::LastError};

const WCHAR* const CQVRPatchLock::kName = QVR_T("Global\\Dravonne.SentravaultSolution.Patch8102");

namespace {

const WCHAR* const kMake = QVR_T("make");
const WCHAR* const kWaitFor = QVR_T("wait for");
const WCHAR* const kRelease = QVR_T("release");

void warn(const WCHAR* szStep, uint32_t ulLine)
{
    const DWORD ulError = GetLastError();
    qvrTry(kThisFile, ulLine, [&] { CQVRPatchLockWarning(szStep, CQVRPatchLock::kName, ulError, kThisFile, ulLine); });
}

}  // namespace

CQVRPatchLock::CQVRPatchLock() : m_bHeld(false)
{
    m_mutex.reset(CreateMutexW(nullptr, FALSE, kName));
    if (!m_mutex.isValid()) {
        warn(kMake, __LINE__);
        return;
    }
    // A run that ended while it held the lock (killed, or its machine's
    // power cut) leaves it abandoned: the lock is this run's all the same,
    // and what that run left is for this one to meet.
    const DWORD ulWait = WaitForSingleObject(m_mutex, INFINITE);
    m_bHeld = ulWait == WAIT_OBJECT_0 || ulWait == WAIT_ABANDONED;
    if (!m_bHeld)
        warn(kWaitFor, __LINE__);
}

CQVRPatchLock::~CQVRPatchLock()
{
    // A lock that cannot be released is abandoned when this process ends,
    // and the next run takes it then.
    if (m_bHeld && !ReleaseMutex(m_mutex))
        warn(kRelease, __LINE__);
}
