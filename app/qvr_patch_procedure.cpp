// The patch procedure.
#include "qvr_patch_procedure.h"

#include "product/qvr_product_svt.h"
#include "qvr_guard.h"
#include "qvr_patch_driver.h"
#include "qvr_patch_record.h"
#include "qvr_resource_ids.h"
#include "qvr_scoped_handle.h"
#include "registry/qvr_registry_string.h"
#include "system/qvr_win_reboot.h"

#include <vector>

static const QVRSourceFile kThisFile = {nullptr, QVR_T("qvr_patch_procedure.cpp"), QVRErrorSource::LastError};

namespace {

const WCHAR* const kProcessName = QVR_T("keyminder.exe");
const WCHAR* const kHook = QVR_T("qvrkmd_windows_hook.dll");
const WCHAR* const kHook64 = QVR_T("qvrkmd_windows_hook_x64.dll");
const WCHAR* const kInterface = QVR_T("qvrkmd_interface.dll");
const WCHAR* const kInterface64 = QVR_T("qvrkmd_interface_x64.dll");
const WCHAR* const kDescription =
    QVR_T("Add exception protection to avoid application that is hooked by our hook crashing in unpredictable case.");
const WCHAR* const kProductKey = QVR_T("Software\\Dravonne\\Sentravault Solution");
const WCHAR* const kInstallPath = QVR_T("InstallPath");
const WCHAR* const kDriveSeparator = QVR_T(":\\");
const WCHAR* const kBackupSuffix = QVR_T(".bak");

const uint32_t kRelease820 = 820;
// Hooked applications get this long to let the hook library go.
const DWORD kStopWaitMs = 5000;
const DWORD kFirstProcessCount = 1024;
const DWORD kMoreProcesses = 200;
const DWORD kModulePathChars = MAX_PATH;
// Terminate, read memory, query information.
const DWORD kProcessAccess = 0x0411;
const int kShowDefault = 10;

CQVRWCharString joined(const CQVRWCharString& a, const CQVRWCharString& b)
{
    CQVRWCharString text = a;
    text += b;
    return text;
}

// The 64-bit install directory: "InstallPath" in the 64-bit registry view.
bool readInstallDirectory64(CQVRWCharString& directory)
{
    return CQVRRegistryString(HKEY_LOCAL_MACHINE, CQVRWCharString(kProductKey), CQVRWCharString(kInstallPath),
                              KEY_READ | KEY_WOW64_64KEY, false, 0)
        .getValue(directory, false);
}

// Every process id; false when they cannot be listed.
bool listProcesses(std::vector<DWORD>& ids)
{
    // A full array may have cut the list: ask again with room for more.
    for (DWORD ulCount = kFirstProcessCount;; ulCount += kMoreProcesses) {
        ids.assign(ulCount, 0);
        DWORD ulBytes = 0;
        if (!EnumProcesses(ids.data(), ulCount * sizeof(DWORD), &ulBytes))
            return false;
        if (ulBytes != ulCount * sizeof(DWORD)) {
            ids.resize(ulBytes / sizeof(DWORD));
            return true;
        }
    }
}

// A version as one number, most significant half first.
uint64_t versionOf(uint32_t ulMS, uint32_t ulLS) { return (static_cast<uint64_t>(ulMS) << 32) | ulLS; }

// The libraries moved aside by this run go back to their own names, last
// first; a copy that came in over one of them goes with it.
void restoreReplaced(const CQVRReplacedFiles& replaced)
{
    for (auto it = replaced.rbegin(); it != replaced.rend(); ++it)
        MoveFileExW(joined(*it, CQVRWCharString(kBackupSuffix)).getText(), it->getText(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

void applyPatch(uint32_t ulPlatformType, uint32_t ulRelease)
{
    CQVRReplacedFiles replaced;
    const bool bPatched = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (stopProcess(CQVRWCharString(kProcessName)) != 0)
            Sleep(kStopWaitMs);
        CQVRWCharString folder(QVR_T("\\"));
        folder += CQVRWCharString(static_cast<int32_t>(ulRelease));
        const auto source = [&](const WCHAR* szName) {
            return joined(folder, joined(CQVRWCharString(QVR_T("\\")), CQVRWCharString(szName)));
        };
        bool bReplaced = false;
        if (ulPlatformType == 2) {
            bReplaced = replaceFile(source(kHook), CQVRWCharString(kHook), &replaced);
            if (bReplaced && ulRelease == kRelease820)
                bReplaced = replaceFile(source(kInterface), CQVRWCharString(kInterface), &replaced);
        } else if (ulPlatformType == 1) {
            CQVRWCharString directory64;
            if (!readInstallDirectory64(directory64))
                return false;
            bReplaced = replaceFile(source(kHook64), joined(directory64, CQVRWCharString(kHook64)), &replaced) &&
                        replaceFile(source(kHook), CQVRWCharString(kHook), &replaced);
            if (bReplaced && ulRelease == kRelease820)
                bReplaced =
                    replaceFile(source(kInterface64), joined(directory64, CQVRWCharString(kInterface)), &replaced) &&
                    replaceFile(source(kInterface), CQVRWCharString(kInterface), &replaced);
        } else {
            showMessage(QVR_IDS_WRONG_OS, kStyleOk, kAnswerOk);
            return false;
        }
        if (!bReplaced)
            return false;
        recordPatch(CQVRWCharString(kDescription), CQVRWCharString(kHook));
        finishPatch();
        return true;
    });
    if (bPatched)
        return;
    // A failed run leaves the product as it found it, and running.
    qvrTry(kThisFile, __LINE__, [&] { restoreReplaced(replaced); });
    runProgram(CQVRWCharString(kProcessName));
}

int32_t stopProcess(const CQVRWCharString& name)
{
    int32_t lResult = 0;
    qvrTry(kThisFile, __LINE__, [&] {
        std::vector<DWORD> ids;
        if (!listProcesses(ids))
            return;
        const CQVRWCharString primary = resolveProductPath(name);
        // On a 64-bit Windows the product may also run from its 64-bit
        // install directory.
        CQVRWCharString secondary;
        bool bSecondary = false;
        SystemState state;
        if (getSystemState(state) && state.platformType == 1 && !name.contains(kDriveSeparator)) {
            CQVRWCharString directory64;
            bSecondary = readInstallDirectory64(directory64);
            if (bSecondary)
                secondary = joined(directory64, name);
        }
        for (DWORD ulId : ids) {
            CQVRScopedProcess process;  // closed without an entry of its own
            process.reset(OpenProcess(kProcessAccess, FALSE, ulId));
            if (!process.isValid())
                continue;
            CQVRBuffer<unsigned short> path(kModulePathChars + 1);
            if (GetModuleFileNameExW(process, nullptr, qvrWide(path.getBuffer()), kModulePathChars) == 0)
                continue;
            const CQVRWCharString modulePath(path);
            if (!(modulePath == primary) && !(bSecondary && modulePath == secondary))
                continue;
            writePatchLog(logText(QVR_IDS_WILL_TERMINATE, modulePath));
            lResult = TerminateProcess(process, 0);
            if (!bSecondary)
                break;
        }
    });
    return lResult;
}

bool replaceFile(const CQVRWCharString& source, const CQVRWCharString& target, CQVRReplacedFiles* pReplaced)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        const CQVRWCharString targetPath = resolveProductPath(target);
        const CQVRWCharString sourcePath =
            source.contains(kDriveSeparator) ? source : joined(installerFolder(), source);
        uint32_t ulTargetMS = 0, ulTargetLS = 0, ulSourceMS = 0, ulSourceLS = 0;
        if (getFileVersion(targetPath, ulTargetMS, ulTargetLS) && getFileVersion(sourcePath, ulSourceMS, ulSourceLS) &&
            versionOf(ulTargetMS, ulTargetLS) != 0 && versionOf(ulSourceMS, ulSourceLS) != 0) {
            const uint64_t ullTarget = versionOf(ulTargetMS, ulTargetLS);
            const uint64_t ullSource = versionOf(ulSourceMS, ulSourceLS);
            if (ullTarget > ullSource) {
                showMessage(QVR_IDS_WRONG_VERSION, kStyleOk, kAnswerOk);
                return false;
            }
            if (ullTarget == ullSource) {
                showMessage(QVR_IDS_ALREADY_INSTALLED, kStyleOk, kAnswerOk);
                return false;
            }
        }
        // A target that is not there is no error; an older .bak is replaced.
        if (MoveFileExW(targetPath.getText(), joined(targetPath, CQVRWCharString(kBackupSuffix)).getText(),
                        MOVEFILE_REPLACE_EXISTING) &&
            pReplaced != nullptr)
            pReplaced->push_back(targetPath);
        if (CopyFileW(sourcePath.getText(), targetPath.getText(), FALSE))
            return true;
        // The log names the file: the message box does not.
        const CQVRWCharString failure = logText(QVR_IDS_UPDATE_FAILED, targetPath);
        showMessage(QVR_IDS_FAILED, kStyleOk, kAnswerOk);
        writePatchLog(failure);
        return false;
    });
}

CQVRWCharString resolveProductPath(const CQVRWCharString& name)
{
    CQVRWCharString path = name;
    qvrTry(kThisFile, __LINE__, [&] {
        CQVRWCharString directory;
        if (!name.contains(kDriveSeparator) && CQVRProduct_SVT().getInstallDirectory(directory))
            path = joined(directory, name);
    });
    return path;
}

bool getFileVersion(const CQVRWCharString& path, uint32_t& ulMS, uint32_t& ulLS)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        DWORD ulHandle = 0;
        const DWORD ulSize = GetFileVersionInfoSizeW(path.getText(), &ulHandle);
        if (ulSize == 0)
            return false;
        CQVRBuffer<unsigned char> data(ulSize);
        if (!GetFileVersionInfoW(path.getText(), 0, ulSize, data.getBuffer()))
            return false;
        VS_FIXEDFILEINFO* pInfo = nullptr;
        UINT ulLength = 0;
        if (!VerQueryValueW(data.getBuffer(), QVR_T("\\"), reinterpret_cast<void**>(&pInfo), &ulLength) ||
            pInfo == nullptr || ulLength == 0)
            return false;
        ulMS = pInfo->dwFileVersionMS;
        ulLS = pInfo->dwFileVersionLS;
        return true;
    });
}

bool runProgram(const CQVRWCharString& name)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        const HINSTANCE hResult =
            ShellExecuteW(nullptr, QVR_T("open"), resolveProductPath(name).getText(), nullptr, nullptr, kShowDefault);
        return reinterpret_cast<intptr_t>(hResult) > 32;
    });
}

void finishPatch()
{
    qvrTry(kThisFile, __LINE__, [&] {
        if (showMessage(QVR_IDS_COMPLETED, kStyleYesNo, kAnswerNo) == kAnswerYes)
            CQVRWinReboot().rebootSystem(false, CQVRWCharString(), CQVRWCharString(), nullptr);
    });
}
