// Libraries of Windows' own, by their full path in the system folder.
#include "system/qvr_system_library.h"

#include "qvr_guard.h"

#include <string>

static const QVRSourceFile kThisFile = {QVR_T("CQVRSystemLibrary"), QVR_T("qvr_system_library.cpp"),
                                        QVRErrorSource::LastError};

CQVRSystemLibrary::CQVRSystemLibrary(const WCHAR* szFileName)
{
    qvrTraced(kThisFile, QVR_T("CQVRSystemLibrary"), __LINE__, rkPassFail, [&]() -> bool {
        // "<system folder>\<file name>", built in place: a path that does not
        // fit loads nothing rather than a shorter name.
        WCHAR szPath[MAX_PATH + 1] = {};
        const UINT ulFolder = GetSystemDirectoryW(szPath, MAX_PATH);
        const size_t ulName = szFileName != nullptr ? std::char_traits<WCHAR>::length(szFileName) : 0;
        if (ulFolder == 0 || ulFolder >= MAX_PATH || ulName == 0 || ulFolder + 1 + ulName > MAX_PATH)
            return false;
        szPath[ulFolder] = QVR_T('\\');
        std::char_traits<WCHAR>::copy(szPath + ulFolder + 1, szFileName, ulName + 1);
        m_module.reset(LoadLibraryW(szPath));
        return m_module.isValid();
    });
}

CQVRSystemLibrary::~CQVRSystemLibrary() { qvrTracedPass(kThisFile, QVR_T("~CQVRSystemLibrary"), __LINE__); }

HMODULE CQVRSystemLibrary::kernelModule() { return GetModuleHandleW(QVR_T("kernel32.dll")); }

FARPROC CQVRSystemLibrary::lookUp(HMODULE hModule, LPCSTR szName)
{
    return hModule != nullptr ? GetProcAddress(hModule, szName) : nullptr;
}
