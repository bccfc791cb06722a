// Resource strings.
#include "system/qvr_windows_resource.h"

#include "core/qvr_platform_text.h"
#include "diagnostics/entries/qvr_load_string_exception.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRWindowsResource"), QVR_T("qvr_windows_resource.cpp"),
                                        QVRErrorSource::LastError};

static const int kStringChars = 1024;

CQVRWindowsResource::CQVRWindowsResource() : m_hModule(nullptr), m_bLoaded(false)
{
    qvrTraced(kThisFile, QVR_T("CQVRWindowsResource"), __LINE__, rkPassFail, [&]() -> bool {
        // The program's own module, found by its full path. Without it no
        // string can be loaded: the failure is logged with its error code.
        const std::unique_ptr<WCHAR[]> path = qvrReadProgramPath();
        if (path)
            m_hModule = GetModuleHandleW(path.get());
        if (m_hModule == nullptr)
            qvrLogUnhandled(kThisFile.errorSource, kThisFile, __LINE__);
        return m_hModule != nullptr;
    });
}

CQVRWindowsResource::~CQVRWindowsResource()
{
    qvrTraced(kThisFile, QVR_T("~CQVRWindowsResource"), __LINE__, rkPassFail, [&]() -> bool {
        if (m_bLoaded && FreeLibrary(m_hModule))
            m_hModule = nullptr;
        return true;
    });
}

bool CQVRWindowsResource::loadString(uint32_t ulID, CQVRWCharString& target)
{
    return qvrTraced(kThisFile, QVR_T("loadString"), __LINE__, rkPassFail, [&]() -> bool {
        CQVRBuffer<unsigned short> text(kStringChars);
        if (LoadStringW(m_hModule, ulID, qvrWide(text.getBuffer()), kStringChars) == 0)
            throw CQVRLoadStringException(m_strResourceDll.getText(), ulID, GetLastError(), kThisFile, __LINE__);
        // A string copied in part would pass for the whole one.
        qvrCopyWhole(target, CQVRWCharString(text));
        return true;
    });
}
