// An entry's message. A format with arguments is formatted once by the Win32
// wsprintfW rules into a buffer of 1,024 characters, a null text argument
// showing as "Unknown"; a text without arguments is taken as it stands.
#ifndef QVR_LOG_MESSAGE_H
#define QVR_LOG_MESSAGE_H

#include "qvr_platform.h"

#include <cstdint>

class CQVRLogMessage {
public:
    static const uint32_t kCapacity = 1024;  // wsprintfW writes at most this many, zero included

    explicit CQVRLogMessage(const WCHAR* szText) : m_szResult(szText) { m_szText[0] = 0; }

    template <class... Args> CQVRLogMessage(const WCHAR* szFormat, Args... args) : m_szResult(m_szText)
    {
        m_szText[0] = 0;
        wsprintfW(m_szText, szFormat, argument(args)...);
        m_szText[kCapacity] = 0;
    }

    CQVRLogMessage(const CQVRLogMessage&) = delete;
    CQVRLogMessage& operator=(const CQVRLogMessage&) = delete;

    const WCHAR* text() const { return m_szResult; }

    // A null text argument shows as "Unknown" (or the given text).
    static const WCHAR* orUnknown(const WCHAR* szArgument);
    static const WCHAR* orText(const WCHAR* szArgument, const WCHAR* szReplacement);

private:
    static const WCHAR* argument(const WCHAR* szText) { return orUnknown(szText); }
    static int argument(uint32_t ulNumber) { return static_cast<int>(ulNumber); }

    const WCHAR* m_szResult;
    WCHAR m_szText[kCapacity + 1];
};

#endif
