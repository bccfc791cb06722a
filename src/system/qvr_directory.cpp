// Directories: existence through a directory search, creation level by level.
#include "system/qvr_directory.h"

#include "core/qvr_scoped_handle.h"
#include "diagnostics/entries/qvr_directory_init_exception.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRDirectory"), QVR_T("qvr_directory.cpp"), QVRErrorSource::LastError};

static const WCHAR* const kBackslash = QVR_T("\\");

CQVRDirectory::CQVRDirectory(const CQVRWCharString& path)
{
    qvrTraced(kThisFile, QVR_T("CQVRDirectory"), __LINE__, rkPassFail, [&] {
        // Its own initialisation exception is caught right here: the object
        // is built all the same, naming no directory.
        try {
            if (!setDirectoryName(path))
                throw CQVRDirectoryInitException(kThisFile, __LINE__);
        } catch (CQVRDirectoryInitException&) {
            m_strDirectory = CQVRWCharString();
            return false;
        }
        return true;
    });
}

CQVRDirectory::~CQVRDirectory() { qvrTracedPass(kThisFile, QVR_T("~CQVRDirectory"), __LINE__); }

bool CQVRDirectory::setDirectoryName(const CQVRWCharString& path)
{
    return qvrTraced(kThisFile, QVR_T("setDirectoryName"), __LINE__, rkPassFail, QVRErrorSource::MinusOne,
                     [&]() -> bool {
                         m_strDirectory = path;
                         return m_strDirectory == path;
                     });
}

bool CQVRDirectory::isValidDirectory()
{
    return qvrTraced(kThisFile, QVR_T("isValidDirectory"), __LINE__, rkPassFail,
                     [&] { return isValidWindowsDirectory(m_strDirectory); });
}

bool CQVRDirectory::isValidWindowsDirectory(const CQVRWCharString& path)
{
    return qvrTraced(kThisFile, QVR_T("isValidWindowsDirectory"), __LINE__, rkPassFail, [&]() -> bool {
        // A drive root or a path ending in a backslash is searched for its
        // contents, anything else for itself. The characters are taken by
        // index, so a path of fewer than two is an index error, logged.
        const uint32_t ulLength = path.getLength();
        const WCHAR chLast = static_cast<WCHAR>(path[ulLength - 1]);
        static_cast<void>(path[ulLength - 2]);
        CQVRWCharString pattern;
        qvrCopyWhole(pattern, path);
        if (chLast == '\\')
            qvrAppendWhole(pattern, CQVRWCharString(QVR_T("*")));
        else if (chLast == ':')
            qvrAppendWhole(pattern, CQVRWCharString(QVR_T("\\*")));
        WIN32_FIND_DATAW found;
        // Closed on every path; a search that fails to close is no entry of
        // its own.
        CQVRScopedFind search;
        search.reset(FindFirstFileW(pattern.getText(), &found));
        if (!search.isValid())
            return false;
        const DWORD ulAttributes = GetFileAttributesW(path.getText());
        return ulAttributes != INVALID_FILE_ATTRIBUTES && (ulAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    });
}

bool CQVRDirectory::createDirectory()
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!m_strDirectory.isValid() || isValidDirectory())
            return false;
        CQVRWCharString path;
        qvrCopyWhole(path, m_strDirectory);
        if (!path.endsWith(kBackslash))
            qvrAppendWhole(path, CQVRWCharString(kBackslash));
        bool bResult = false;
        const uint32_t ulLevels = path.countOf(kBackslash);
        for (uint32_t n = 1; n <= ulLevels; ++n) {
            CQVRWCharString prefix;
            if (!path.extractPart(prefix, kBackslash, n, CQVRWCharString::pmForward, true))
                break;
            if (CQVRDirectory(prefix).isValidDirectory())
                continue;
            bResult = CreateDirectoryW(prefix.getText(), nullptr) != FALSE;
            if (!bResult)
                break;
        }
        return bResult;
    });
}
