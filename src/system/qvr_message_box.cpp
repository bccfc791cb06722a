// Message boxes.
#include "system/qvr_message_box.h"

#include "diagnostics/entries/qvr_message_box_init_exception.h"
#include "diagnostics/qvr_log_notification.h"
#include "qvr_guard.h"
#include "system/qvr_windows_resource.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRMessageBox"), QVR_T("qvr_message_box.cpp"),
                                        QVRErrorSource::LastError};

CQVRMessageBox::CQVRMessageBox(HWND hParent, const CQVRWCharString& title, const CQVRWCharString& msg, CQVRFlags style)
    : m_iResult(IDCANCEL), m_Style(style), m_hParent(hParent)
{
    const bool bBuilt = qvrTraced(kThisFile, QVR_T("CQVRMessageBox"), __LINE__, rkPassFail, [&] {
        m_strMsg = msg;
        m_strTitle = title;
        return m_strMsg == msg && m_strTitle == title;
    });
    if (!bBuilt)
        throw CQVRMessageBoxInitException(GetLastError(), kThisFile, __LINE__);
}

CQVRMessageBox::~CQVRMessageBox() { qvrTracedPass(kThisFile, QVR_T("~CQVRMessageBox"), __LINE__); }

bool CQVRMessageBox::showMessageBox()
{
    return qvrTraced(kThisFile, QVR_T("showMessageBox"), __LINE__, rkPassFail, [&] {
        m_iResult = MessageBoxW(m_hParent, m_strMsg.getText(), m_strTitle.getText(), m_Style.getFlags());
        CLogNotification shown(m_strMsg.getText());
        return m_iResult != 0;
    });
}

bool CQVRMessageBox::setTitle(uint32_t ulResourceID)
{
    return qvrTraced(kThisFile, QVR_T("setTitle"), __LINE__, rkPassFail,
                     [&] { return CQVRWindowsResource().loadString(ulResourceID, m_strTitle); });
}

bool CQVRMessageBox::setMsg(uint32_t ulResourceID)
{
    return qvrTraced(kThisFile, QVR_T("setMsg"), __LINE__, rkPassFail,
                     [&] { return CQVRWindowsResource().loadString(ulResourceID, m_strMsg); });
}

bool CQVRMessageBox::setTitle(const CQVRWCharString& title)
{
    return qvrTraced(kThisFile, QVR_T("setTitle"), __LINE__, rkPassFail, [&] {
        // A text copied in part would be shown as if whole.
        qvrCopyWhole(m_strTitle, title);
        return true;
    });
}

bool CQVRMessageBox::setMsg(const CQVRWCharString& msg)
{
    return qvrTraced(kThisFile, QVR_T("setMsg"), __LINE__, rkPassFail, [&] {
        // A text copied in part would be shown as if whole.
        qvrCopyWhole(m_strMsg, msg);
        return true;
    });
}
