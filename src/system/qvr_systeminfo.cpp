// The vendor's storage folder.
#include "system/qvr_systeminfo.h"

#include "diagnostics/entries/qvr_index_out_of_bounds_exception.h"
#include "diagnostics/entries/qvr_si_get_storage_path_exception.h"
#include "qvr_guard.h"
#include "system/qvr_directory.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRSystemInfo"), QVR_T("qvr_systeminfo.cpp"),
                                        QVRErrorSource::LastError};

namespace {

const WCHAR* const kVendors[] = {QVR_T("Dravonne"), QVR_T("Astervane")};
const int kCommonAppData = 0x23;  // CSIDL_COMMON_APPDATA
const uint32_t kFolderChars = 261;

}  // namespace

CQVRSystemInfo::CQVRSystemInfo(uint32_t ulVendor) : m_ulVendor(ulVendor)
{
    qvrTracedPass(kThisFile, QVR_T("CQVRSystemInfo"), __LINE__);
}

CQVRSystemInfo::~CQVRSystemInfo() { qvrTracedPass(kThisFile, QVR_T("~CQVRSystemInfo"), __LINE__); }

bool CQVRSystemInfo::getStoragePath(CQVRWCharString& path)
{
    return qvrTraced(kThisFile, QVR_T("getStoragePath"), __LINE__, rkPassFail, [&]() -> bool {
        CQVRBuffer<unsigned short> folder(kFolderChars);
        const HRESULT hResult = SHGetFolderPathW(nullptr, kCommonAppData, nullptr, 0, qvrWide(folder.getBuffer()));
        if (hResult < 0)
            throw CQVRSIgetStoragePathException(
                QVR_T("CSIDL_COMMON_APPDATA"), QVR_T("SHGetFolderPath( CSIDL_COMMON_APPDATA ) failed"),
                static_cast<uint32_t>(hResult), kThisFile.szClassName, QVR_T("getStoragePath"), kThisFile, __LINE__);
        // An index past the table names no vendor: an index error, logged.
        if (m_ulVendor >= sizeof(kVendors) / sizeof(kVendors[0]))
            throw CQVRIndexOutOfBoundsException(kThisFile, __LINE__);
        CQVRWCharString storage(folder);
        qvrAppendWhole(storage, CQVRWCharString(QVR_T("\\")));
        qvrAppendWhole(storage, CQVRWCharString(kVendors[m_ulVendor]));
        qvrAppendWhole(storage, CQVRWCharString(QVR_T("\\")));
        if (!CQVRDirectory(storage).isValidDirectory())
            CreateDirectoryW(storage.getText(), nullptr);
        path = storage;
        return true;
    });
}
