#include "diagnostics/qvr_log_notification.h"

#include <new>

static const WCHAR* const kPrefix = QVR_T("Message Box displayed: ");

// The message is composed before the first write; the box's text is not
// bounded here, the text output cuts what does not fit its line.
CLogNotification::CLogNotification(const WCHAR* szMessageText, uint16_t usOutputTypes, bool bWriteNow,
                                   bool bWriteOnDestroy)
    : CQVRSimpleLog(llNotification, kPrefix, 0, rkError, false, bWriteOnDestroy, usOutputTypes)
{
    uint32_t ulPrefix = 0;
    while (kPrefix[ulPrefix] != 0)
        ++ulPrefix;
    uint32_t ulText = 0;
    if (szMessageText != nullptr)
        while (szMessageText[ulText] != 0 && ulText < 0x3FFFFFFFu - ulPrefix)
            ++ulText;
    WCHAR* szText = new (std::nothrow) WCHAR[ulPrefix + ulText + 1];
    if (szText != nullptr) {
        for (uint32_t i = 0; i < ulPrefix; ++i)
            szText[i] = kPrefix[i];
        for (uint32_t i = 0; i < ulText; ++i)
            szText[ulPrefix + i] = szMessageText[i];
        szText[ulPrefix + ulText] = 0;
        m_record.m_szMessage.set(szText);
        delete[] szText;
    }
    if (bWriteNow)
        writeSequence(m_record);
}
