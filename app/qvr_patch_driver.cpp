// The entry sequence and the gates.
#include "qvr_patch_driver.h"

#include "product/qvr_product_svt.h"
#include "qvr_guard.h"
#include "qvr_patch_procedure.h"
#include "qvr_patch_record.h"
#include "qvr_resource_ids.h"
#include "system/qvr_windows_os_info.h"

static const QVRSourceFile kThisFile = {nullptr, QVR_T("qvr_patch_driver.cpp"), QVRErrorSource::LastError};

bool g_bSilent = false;

namespace {

const int kTextChars = 300;
const WCHAR* const kUserSelect = QVR_T(" User select: ");
const WCHAR* const kLineEnd = QVR_T("\r\n");

struct AcceptedVersion {
    int32_t release;
    int32_t build;
};
const AcceptedVersion kAccepted[] = {{820, 23}, {821, 6}};

uint32_t messageOf(GateResult result)
{
    switch (result) {
    case grWrongOS:
        return QVR_IDS_WRONG_OS;
    case grWrongVersion:
        return QVR_IDS_WRONG_VERSION;
    case grAlreadyInstalled:
        return QVR_IDS_ALREADY_INSTALLED;
    case grNotInstalled:
        return QVR_IDS_NOT_INSTALLED;
    case grCompleted:
        return QVR_IDS_COMPLETED;
    default:
        return QVR_IDS_FAILED;
    }
}

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

bool getSystemState(SystemState& state)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWindowsOSInfo info;
        const double dVersion = info.m_dVersion;
        state.osFamily = dVersion >= 6.0 && dVersion < 7.0 ? 1 : dVersion >= 5.1 && dVersion < 6.0 ? 2 : 0;
        const uint32_t ulPlatform = info.getPlatform();
        state.platformType = ulPlatform == CQVRWindowsOSInfo::wp32Bit   ? 2
                             : ulPlatform == CQVRWindowsOSInfo::wp64Bit ? 1
                                                                        : 0;
        return true;
    });
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

void showResult(GateResult result, UINT ulStyle, int iSilentAnswer)
{
    showMessage(messageOf(result), ulStyle, iSilentAnswer);
}

int showMessage(uint32_t ulMessageID, UINT ulStyle, int iSilentAnswer)
{
    int iAnswer = iSilentAnswer;
    qvrTry(kThisFile, __LINE__, [&] {
        CQVRWCharString caption = loadText(QVR_IDS_CAPTION);
        const CQVRWCharString text = loadText(ulMessageID);
        if (caption.getLength() == 0)
            caption = loadText(QVR_IDS_CAPTION);
        if (!g_bSilent)
            iAnswer = MessageBoxW(nullptr, text.getText(), caption.getText(), ulStyle);
        CQVRWCharString line = text;
        line += CQVRWCharString(kUserSelect);
        line += CQVRWCharString(static_cast<int32_t>(iAnswer));
        line += CQVRWCharString(kLineEnd);
        writePatchLog(line);
    });
    return iAnswer;
}

CQVRWCharString loadText(uint32_t ulID)
{
    CQVRWCharString text;
    qvrTry(kThisFile, __LINE__, [&] {
        CQVRBuffer<unsigned short> buffer(kTextChars);
        LoadStringW(GetModuleHandleW(nullptr), ulID, qvrWide(buffer.getBuffer()), kTextChars);
        text = CQVRWCharString(buffer);
    });
    return text;
}

CQVRWCharString loadEnglishText(uint32_t ulID)
{
    CQVRWCharString text;
    qvrTry(kThisFile, __LINE__, [&] {
        // A string table is kept in blocks of sixteen counted strings, the
        // block named by ID / 16 + 1.
        HMODULE hModule = GetModuleHandleW(nullptr);
        HRSRC hBlock = FindResourceExW(hModule, RT_STRING, MAKEINTRESOURCEW(ulID / 16 + 1),
                                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        if (hBlock == nullptr)
            return;
        const WCHAR* pUnits = static_cast<const WCHAR*>(LockResource(LoadResource(hModule, hBlock)));
        const DWORD ulUnits = SizeofResource(hModule, hBlock) / sizeof(WCHAR);
        if (pUnits == nullptr)
            return;
        DWORD ulAt = 0;
        for (uint32_t i = 0; i < ulID % 16 && ulAt < ulUnits; ++i)
            ulAt += 1 + static_cast<uint16_t>(pUnits[ulAt]);
        if (ulAt >= ulUnits)
            return;
        const DWORD ulLength = static_cast<uint16_t>(pUnits[ulAt]);
        if (ulLength == 0 || ulAt + 1 + ulLength > ulUnits)
            return;
        text = CQVRWCharString(CQVRBuffer<unsigned short>(qvrUnits(pUnits + ulAt + 1), ulLength, 0));
    });
    return text;
}

CQVRWCharString logText(uint32_t ulID, const CQVRWCharString& argument)
{
    CQVRWCharString text;
    qvrTry(kThisFile, __LINE__, [&] {
        text = loadText(ulID);
        if (text.getLength() == 0)
            text = loadEnglishText(ulID);
        text.replace(QVR_T("%s"), argument, 1, CQVRWCharString::ssmOccur);
        text += CQVRWCharString(kLineEnd);
    });
    return text;
}
