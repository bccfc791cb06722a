// An entry's message with placeholders, formatted once by the Win32
// wsprintfW rules into a buffer of 1,024 characters.
#ifndef QVR_LOG_MESSAGE_H
#define QVR_LOG_MESSAGE_H

#include "qvr_platform.h"

#include <cstdint>

class CQVRLogMessage {
public:
    static const uint32_t kCapacity = 1024;  // wsprintfW writes at most this many, zero included

    template <class... Args>
    explicit CQVRLogMessage(const WCHAR* szFormat, Args... args)
    {
        m_szText[0] = 0;
        wsprintfW(m_szText, szFormat, args...);
        m_szText[kCapacity] = 0;
    }

    const WCHAR* text() const { return m_szText; }

    // A null string argument shows as "Unknown" (or the given text).
    static const WCHAR* orUnknown(const WCHAR* szArgument);
    static const WCHAR* orText(const WCHAR* szArgument, const WCHAR* szReplacement);

private:
    WCHAR m_szText[kCapacity + 1];
};

#endif
