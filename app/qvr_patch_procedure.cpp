// The patch procedure.
#include "qvr_patch_procedure.h"

#include "core/qvr_scoped_handle.h"
#include "product/qvr_product_svt.h"
#include "qvr_guard.h"
#include "qvr_patch_lock.h"
#include "qvr_patch_messages.h"
#include "qvr_patch_record.h"
#include "qvr_process_scan.h"
#include "qvr_resource_ids.h"
#include "qvr_system_state.h"
#include "registry/qvr_registry_string.h"
#include "system/qvr_system_library.h"
#include "system/qvr_win_reboot.h"

#include <memory>

static const QVRSourceFile kThisFile = {nullptr, QVR_T("qvr_patch_procedure.cpp"), QVRErrorSource::LastError};

namespace {

const WCHAR* const kProcessName = QVR_T("keyminder.exe");
const WCHAR* const kHook = QVR_T("qvrkmd_windows_hook.dll");
const WCHAR* const kHook64 = QVR_T("qvrkmd_windows_hook_x64.dll");
const WCHAR* const kInterface = QVR_T("qvrkmd_interface.dll");
const WCHAR* const kInterface64 = QVR_T("qvrkmd_interface_x64.dll");
const WCHAR* const kDescription =
    QVR_T("Add exception protection to avoid application that is hooked by our hook crashing in unpredictable case.");
const WCHAR* const kDriveSeparator = QVR_T(":\\");
const WCHAR* const kBackupSuffix = QVR_T(".bak");

const uint32_t kRelease820 = 820;
// Hooked applications get this long to let the hook library go.
const DWORD kStopWaitMs = 5000;
// Terminate, read memory, query information.
const DWORD kProcessAccess = 0x0411;
const int kShowDefault = 10;

// An install directory as a prefix for file names. The product writes it
// with its closing backslash; one without gets it, so that no name runs into
// the folder's own. An empty one names no folder.
bool asFolder(CQVRWCharString& directory)
{
    if (directory.getLength() == 0)
        return false;
    return directory.endsWith(QVR_T("\\")) || directory.appendText(CQVRWCharString(QVR_T("\\")));
}

// The 64-bit install directory: "InstallPath" in the 64-bit registry view.
bool readInstallDirectory64(CQVRWCharString& directory)
{
    return CQVRRegistryString(HKEY_LOCAL_MACHINE, CQVRWCharString(CQVRProduct_SVT::kRegistryKey),
                              CQVRWCharString(CQVRProduct_SVT::kInstallValue), KEY_READ | KEY_WOW64_64KEY, false, 0)
               .getValue(directory, false) &&
           asFolder(directory);
}

// A version as one number, most significant half first.
uint64_t versionOf(uint32_t ulMS, uint32_t ulLS) { return (static_cast<uint64_t>(ulMS) << 32) | ulLS; }

// What reading a file's version found. Only a file that has no version
// resource, or no file at all, may skip the comparison: a file that could
// not be read may be newer than the patch or the patch itself.
enum class VersionRead { Read, NoVersion, NoFile, Failed };

// The reasons Windows gives for a file that has no version resource (1812,
// 1813, 1814) or is no program image (11, 193).
bool meansNoVersion(DWORD ulError)
{
    return ulError == 1812 || ulError == 1813 || ulError == 1814 || ulError == 11 || ulError == 193;
}

VersionRead readVersion(const CQVRWCharString& path, uint32_t& ulMS, uint32_t& ulLS)
{
    return qvrGuard(VersionRead::Failed, kThisFile, __LINE__, [&]() -> VersionRead {
        const CQVRSystemLibrary version(QVR_T("version.dll"));
        const auto getSize = QVR_SYSTEM_FUNCTION(version, GetFileVersionInfoSizeW);
        const auto getInfo = QVR_SYSTEM_FUNCTION(version, GetFileVersionInfoW);
        const auto queryValue = QVR_SYSTEM_FUNCTION(version, VerQueryValueW);
        if (getSize == nullptr || getInfo == nullptr || queryValue == nullptr)
            return VersionRead::Failed;
        DWORD ulHandle = 0;
        const DWORD ulSize = getSize(path.getText(), &ulHandle);
        if (ulSize == 0) {
            const DWORD ulError = GetLastError();
            if (ulError == ERROR_FILE_NOT_FOUND || ulError == ERROR_PATH_NOT_FOUND)
                return VersionRead::NoFile;
            return meansNoVersion(ulError) ? VersionRead::NoVersion : VersionRead::Failed;
        }
        CQVRBuffer<unsigned char> data(ulSize);
        if (!getInfo(path.getText(), 0, ulSize, data.getBuffer()))
            return VersionRead::Failed;
        VS_FIXEDFILEINFO* pInfo = nullptr;
        UINT ulLength = 0;
        if (!queryValue(data.getBuffer(), QVR_T("\\"), reinterpret_cast<void**>(&pInfo), &ulLength))
            return VersionRead::Failed;
        if (pInfo == nullptr || ulLength == 0)
            return VersionRead::NoVersion;
        ulMS = pInfo->dwFileVersionMS;
        ulLS = pInfo->dwFileVersionLS;
        return VersionRead::Read;
    });
}

// Whether a file is a Windows program image: "MZ", and at the offset its
// header gives at 0x3C the signature "PE\0\0". An empty file or an HTML
// page saved under a library's name has no version to compare, and copied
// in it would be a hook that no process can load.
bool isProgramImage(const CQVRWCharString& path)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRScopedFile file;  // closed without an entry of its own
        file.reset(CreateFileW(path.getText(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.isValid())
            return false;
        const DWORD kHeaderBytes = 0x40;
        const DWORD kNewHeaderAt = 0x3C;
        unsigned char header[kHeaderBytes] = {};
        DWORD ulRead = 0;
        if (!ReadFile(file, header, kHeaderBytes, &ulRead, nullptr) || ulRead != kHeaderBytes || header[0] != 'M' ||
            header[1] != 'Z')
            return false;
        const LONG lNewHeader = static_cast<LONG>(header[kNewHeaderAt] | (header[kNewHeaderAt + 1] << 8) |
                                                  (header[kNewHeaderAt + 2] << 16) |
                                                  (static_cast<uint32_t>(header[kNewHeaderAt + 3]) << 24));
        if (lNewHeader < static_cast<LONG>(kHeaderBytes) ||
            SetFilePointer(file, lNewHeader, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
            return false;
        unsigned char signature[4] = {};
        return ReadFile(file, signature, sizeof signature, &ulRead, nullptr) && ulRead == sizeof signature &&
               signature[0] == 'P' && signature[1] == 'E' && signature[2] == 0 && signature[3] == 0;
    });
}

// Windows refuses to replace or delete a read-only file, and a copy keeps
// its source's attribute: a package on read-only media would leave read-only
// libraries that a rollback, or the next patch, could not replace. Clears the
// attribute where a file has it; false only when it stays.
bool makeWritable(const CQVRWCharString& path)
{
    const DWORD ulAttributes = GetFileAttributesW(path.getText());
    if (ulAttributes == INVALID_FILE_ATTRIBUTES || (ulAttributes & FILE_ATTRIBUTE_READONLY) == 0)
        return true;
    return SetFileAttributesW(path.getText(), ulAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != FALSE;
}

// The libraries replaced by this run go back to their own names, last
// first; a copy that came in over one of them goes with it. One that cannot
// be moved back is copied back, so that the new library does not stay. One
// brought in where there was none is removed: a later run would meet it,
// take the patch for done and never record it.
void restoreReplaced(const CQVRReplacedFiles& replaced)
{
    for (uint32_t i = replaced.ulCount; i-- > 0;) {
        const CQVRReplacedFile& file = replaced.files[i];
        makeWritable(file.target);
        if (file.bAdded) {
            DeleteFileW(file.target.getText());
            continue;
        }
        if (!MoveFileExW(file.backup.getText(), file.target.getText(), MOVEFILE_REPLACE_EXISTING) &&
            CopyFileW(file.backup.getText(), file.target.getText(), FALSE))
            DeleteFileW(file.backup.getText());
    }
}

}  // namespace

void applyPatch(uint32_t ulPlatformType, uint32_t ulRelease)
{
    bool bPatched = false;
    {
        const CQVRPatchLock lock;
        CQVRReplacedFiles replaced;
        bPatched = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
            if (stopProcess(CQVRWCharString(kProcessName)) != 0)
                Sleep(kStopWaitMs);
            CQVRWCharString folder(QVR_T("\\"));
            folder += CQVRWCharString(static_cast<int32_t>(ulRelease));
            const auto source = [&](const WCHAR* szName) {
                return folder + CQVRWCharString(QVR_T("\\")) + CQVRWCharString(szName);
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
                bReplaced = replaceFile(source(kHook64), directory64 + CQVRWCharString(kHook64), &replaced) &&
                            replaceFile(source(kHook), CQVRWCharString(kHook), &replaced);
                if (bReplaced && ulRelease == kRelease820)
                    bReplaced =
                        replaceFile(source(kInterface64), directory64 + CQVRWCharString(kInterface), &replaced) &&
                        replaceFile(source(kInterface), CQVRWCharString(kInterface), &replaced);
            } else {
                showMessage(QVR_IDS_WRONG_OS, kStyleOk, kAnswerOk);
                return false;
            }
            if (!bReplaced)
                return false;
            // Deployment tools tell a patched machine by its record: libraries
            // replaced without one are a failed run.
            if (!recordPatch(CQVRWCharString(kDescription), CQVRWCharString(kHook))) {
                showMessage(QVR_IDS_FAILED, kStyleOk, kAnswerOk);
                return false;
            }
            return true;
        });
        if (!bPatched) {
            // A failed run leaves the product as it found it, and running.
            qvrTry(kThisFile, __LINE__, [&] { restoreReplaced(replaced); });
            runProgram(CQVRWCharString(kProcessName));
        }
    }
    // Asked once the lock is free: a question left open must not hold other
    // runs back.
    if (bPatched)
        finishPatch();
}

int32_t stopProcess(const CQVRWCharString& name)
{
    int32_t lResult = 0;
    qvrTry(kThisFile, __LINE__, [&] {
        const CQVRProcessScan scan;
        std::unique_ptr<DWORD[]> ids;
        DWORD ulFound = 0;
        if (!scan.listProcesses(ids, ulFound))
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
                secondary = directory64 + name;
        }
        for (DWORD i = 0; i < ulFound; ++i) {
            CQVRScopedProcess process;  // closed without an entry of its own
            process.reset(OpenProcess(kProcessAccess, FALSE, ids[i]));
            CQVRWCharString modulePath;
            if (!process.isValid() || !scan.readImagePath(process, modulePath))
                continue;
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
        const CQVRWCharString sourcePath = source.contains(kDriveSeparator) ? source : installerFolder() + source;
        // The log names the file: the message box does not.
        const auto failed = [&]() {
            const CQVRWCharString failure = logText(QVR_IDS_UPDATE_FAILED, targetPath);
            showMessage(QVR_IDS_FAILED, kStyleOk, kAnswerOk);
            writePatchLog(failure);
            return false;
        };
        // Without the install directory the bare name would be a file in
        // whatever folder is current.
        if (!targetPath.contains(kDriveSeparator) && targetPath == target)
            return failed();
        uint32_t ulTargetMS = 0, ulTargetLS = 0, ulSourceMS = 0, ulSourceLS = 0;
        const VersionRead targetRead = readVersion(targetPath, ulTargetMS, ulTargetLS);
        if (targetRead == VersionRead::Failed)
            return failed();
        // Without its source the library would only be moved aside.
        const VersionRead sourceRead = readVersion(sourcePath, ulSourceMS, ulSourceLS);
        if (sourceRead == VersionRead::Failed || sourceRead == VersionRead::NoFile || !isProgramImage(sourcePath))
            return failed();
        if (targetRead == VersionRead::Read && sourceRead == VersionRead::Read &&
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
        // A target that stays where it is must not be copied over: it would
        // be lost without its .bak. The move is noted before it is made, so
        // that no library is ever aside without a note to bring it back.
        CQVRReplacedFiles noted;
        CQVRReplacedFiles& moves = pReplaced != nullptr ? *pReplaced : noted;
        if (moves.ulCount == CQVRReplacedFiles::kCapacity)
            return failed();
        CQVRReplacedFile& move = moves.files[moves.ulCount++];
        move = {targetPath, targetPath + CQVRWCharString(kBackupSuffix), false};
        makeWritable(move.backup);
        if (!MoveFileExW(move.target.getText(), move.backup.getText(), MOVEFILE_REPLACE_EXISTING)) {
            // Only a target that was not there may stay unmoved; the error
            // code alone cannot tell a missing target from a .bak path that
            // names no folder. The copy then brings in a library of its own.
            if (targetRead != VersionRead::NoFile) {
                --moves.ulCount;
                return failed();
            }
            move.bAdded = true;
        }
        if (CopyFileW(sourcePath.getText(), targetPath.getText(), FALSE) && makeWritable(targetPath))
            return true;
        return failed();
    });
}

CQVRWCharString resolveProductPath(const CQVRWCharString& name)
{
    CQVRWCharString path = name;
    qvrTry(kThisFile, __LINE__, [&] {
        CQVRWCharString directory;
        if (!name.contains(kDriveSeparator) && CQVRProduct_SVT().getInstallDirectory(directory) && asFolder(directory))
            path = directory + name;
    });
    return path;
}

bool getFileVersion(const CQVRWCharString& path, uint32_t& ulMS, uint32_t& ulLS)
{
    return readVersion(path, ulMS, ulLS) == VersionRead::Read;
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
