// The entry sequence and the gates.
#include "qvr_patch_driver.h"

#include "product/qvr_product_svt.h"
#include "qvr_guard.h"
#include "qvr_patch_procedure.h"
#include "qvr_patch_record.h"
#include "qvr_resource_ids.h"
#include "qvr_system_state.h"

static const QVRSourceFile kThisFile = {nullptr, QVR_T("qvr_patch_driver.cpp"), QVRErrorSource::LastError};

namespace {

struct AcceptedVersion {
    int32_t release;
    int32_t build;
};
const AcceptedVersion kAccepted[] = {{820, 23}, {821, 6}};

// The n-th dot-separated field of a version text.
CQVRWCharString versionField(const CQVRWCharString& text, uint32_t n)
{
    CQVRWCharString field;
    if (!text.getToken(field, QVR_T("."), n, CQVRWCharString::tmSeparated, CQVRFlags(0), CQVRFlags(0)))
        field = CQVRWCharString();
    return field;
}

// A decimal number, or 0 when the text is none.
int32_t decimalOf(const CQVRWCharString& text)
{
    uint32_t ulValue = 0;
    return text.getLength() != 0 && text.toNumber(ulValue, CQVRWCharString::nsDec) ? static_cast<int32_t>(ulValue) : 0;
}

}  // namespace

bool isSilentCommandLine(const WCHAR* szCommandLine)
{
    const CQVRWCharString commandLine(szCommandLine);
    const WCHAR* const kSwitches[] = {QVR_T("/s"), QVR_T("/S"), QVR_T("-s"), QVR_T("-S")};
    for (const WCHAR* szSwitch : kSwitches)
        if (commandLine.contains(szSwitch))
            return true;
    return false;
}

int runPatch(const WCHAR* szCommandLine)
{
    qvrTry(kThisFile, __LINE__, [&] {
        g_bSilent = isSilentCommandLine(szCommandLine);
        const GateResult result = checkPrerequisites();
        if (result != grPass) {
            showResult(result, kStyleOk, kAnswerOk);
            return;
        }
        SystemState state;
        InstalledVersion version;
        if (!getSystemState(state) || !getInstalledVersion(version)) {
            showMessage(QVR_IDS_FAILED, kStyleOk, kAnswerOk);
            return;
        }
        bool bAccepted = false;
        for (const AcceptedVersion& accepted : kAccepted)
            bAccepted = bAccepted || (version.release == accepted.release && version.build == accepted.build);
        if (!bAccepted) {
            showMessage(QVR_IDS_WRONG_VERSION, kStyleOk, kAnswerOk);
            return;
        }
        applyPatch(state.platformType, static_cast<uint32_t>(version.release));
    });
    return 0;
}

GateResult checkPrerequisites()
{
    GateResult result = grFailed;
    qvrTry(kThisFile, __LINE__, [&] {
        if (!CQVRProduct_SVT().isInstalled(QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE)) {
            result = grNotInstalled;
            return;
        }
        if (isPatchInstalled()) {
            result = grAlreadyInstalled;
            return;
        }
        SystemState state;
        if (!getSystemState(state)) {
            result = grFailed;
            return;
        }
        result = state.osFamily == 1 || state.osFamily == 2 ? grPass : grWrongOS;
    });
    return result;
}

bool getInstalledVersion(InstalledVersion& version)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWCharString text;
        if (!CQVRProduct_SVT().getProductVersion(text))
            return false;
        version.text = text;
        // 8 and 20 are the release 820; a field that is missing leaves it 0.
        const CQVRWCharString major = versionField(text, 1);
        const CQVRWCharString minor = versionField(text, 2);
        version.release = major.getLength() != 0 && minor.getLength() != 0 ? decimalOf(major + minor) : 0;
        version.build = decimalOf(versionField(text, 3));
        return true;
    });
}
