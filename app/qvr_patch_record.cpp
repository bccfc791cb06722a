// The patch record and the patch log.
#include "qvr_patch_record.h"

#include "core/qvr_platform_text.h"
#include "core/qvr_scoped_handle.h"
#include "diagnostics/qvr_unicode_file.h"
#include "product/qvr_product_svt.h"
#include "qvr_guard.h"
#include "registry/qvr_registry_key.h"
#include "registry/qvr_registry_string.h"

static const QVRSourceFile kThisFile = {nullptr, QVR_T("qvr_patch_record.cpp"), QVRErrorSource::LastError};

namespace {

const DWORD kPathChars = MAX_PATH;
const WCHAR* const kLogName = QVR_T("\\patchlog.txt");
// Another run may be writing its line, with a handle that shares reading
// only: the open is tried again for about a second before the line is given
// up.
const int kLogOpenTries = 50;
const DWORD kLogRetryMs = 20;

// <product key>\Patch\<number>, from the key where the product keeps its
// install directory.
bool patchKey(uint32_t ulPatch, CQVRWCharString& path)
{
    CQVRWCharString location;
    if (!CQVRProduct_SVT().getRegistryLocation(location))
        return false;
    // A path that came out short would name another key: the sum is whole
    // or empty, and the copy is whole or throws.
    const CQVRWCharString number(static_cast<int32_t>(ulPatch));
    const CQVRWCharString key = location + CQVRWCharString(QVR_T("\\Patch\\")) + number;
    if (number.getLength() == 0 || key.getLength() == 0)
        return false;
    qvrCopyWhole(path, key);
    return true;
}

// Deletes a key without subkeys, in the view the library's keys use; a key
// that cannot be deleted stays.
void removeKey(const CQVRWCharString& path)
{
    uint32_t ulSlash = 0;
    if (!path.find(QVR_T("\\"), 1, CQVRWCharString::pmBackward, ulSlash))
        return;
    CQVRWCharString parent;
    CQVRWCharString name;
    path.getCutRight(parent, path.getLength() - ulSlash);
    path.getCutLeft(name, ulSlash + 1);
    CQVRScopedKey key;  // closed without an entry of its own
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent.getText(), 0, qvrRegistryView(KEY_WRITE), key.receive()) ==
        ERROR_SUCCESS)
        RegDeleteKeyW(key.get(), name.getText());
}

}  // namespace

CQVRWCharString installerFolder()
{
    CQVRWCharString folder;
    qvrTry(kThisFile, __LINE__, [&] {
        // The program's path whole: a cut one names another folder.
        const std::unique_ptr<WCHAR[]> path = qvrReadProgramPath();
        const CQVRWCharString program(path ? path.get() : nullptr);
        uint32_t ulSlash = 0;
        if (program.getLength() != 0 && program.contains(QVR_T("\\")) &&
            program.find(QVR_T("\\"), 1, CQVRWCharString::pmBackward, ulSlash)) {
            program.getCutRight(folder, program.getLength() - ulSlash);
            return;
        }
        CQVRBuffer<unsigned short> current(kPathChars + 1);
        GetCurrentDirectoryW(kPathChars, qvrWide(current.getBuffer()));
        folder = CQVRWCharString(current);
    });
    return folder;
}

bool recordPatch(const CQVRWCharString& description, const CQVRWCharString& updated)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWCharString path;
        if (!patchKey(kRecordedPatch, path))
            return false;
        CQVRRegistryKey key(HKEY_LOCAL_MACHINE, path, KEY_READ, false, 0);
        const bool bExisted = key.exists();
        if (!key.create())
            return false;
        if (CQVRRegistryString(HKEY_LOCAL_MACHINE, path, CQVRWCharString(QVR_T("description")), KEY_WRITE, false, 0)
                .setValue(description, false) &&
            CQVRRegistryString(HKEY_LOCAL_MACHINE, path, CQVRWCharString(QVR_T("updated")), KEY_WRITE, false, 0)
                .setValue(updated, false))
            return true;
        // Deployment tools take the key for the record: one this run made
        // goes again when its values could not be written.
        if (!bExisted)
            removeKey(path);
        return false;
    });
}

bool isPatchInstalled()
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWCharString path;
        return patchKey(kEarlierPatch, path) && CQVRRegistryKey(HKEY_LOCAL_MACHINE, path, KEY_READ, false, 0).exists();
    });
}

void writePatchLog(const CQVRWCharString& text)
{
    qvrTry(kThisFile, __LINE__, [&] {
        CQVRWCharString path = installerFolder();
        qvrAppendWhole(path, CQVRWCharString(kLogName));
        CQVRScopedFile file;
        for (int iTry = 1;; ++iTry) {
            file.reset(CreateFileW(path.getText(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file.isValid() || GetLastError() != ERROR_SHARING_VIOLATION || iTry == kLogOpenTries)
                break;
            Sleep(kLogRetryMs);
        }
        // The mark goes only into an empty file, and nothing is written where
        // the end of the file cannot be found.
        if (file.isValid())
            qvrAppendUnicode(file, text.getText(), text.getLength());
    });
}
