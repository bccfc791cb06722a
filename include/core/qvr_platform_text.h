// A text that a platform call writes into a buffer of the caller's size
// (GetModuleFileNameW and its kind), read whole.
#ifndef QVR_PLATFORM_TEXT_H
#define QVR_PLATFORM_TEXT_H

#include "qvr_platform.h"

#include <memory>
#include <new>

// The longest path Windows has, in characters with the terminator.
const DWORD kQVRLongestPath = 32768;

// Calls read(szBuffer, ulChars), which answers as GetModuleFileNameW does
// (the characters written; ulChars, or more, when the text was cut; 0 on
// failure), with twice the room each time the answer fills the buffer, up
// to the longest path Windows has. The whole text, terminated; null when the
// call fails, memory runs out or the text is longer even then. Writes no
// log entry, so that the logging code can use it too.
template <class Read> std::unique_ptr<WCHAR[]> qvrReadPlatformText(Read read)
{
    // A text that fills the buffer may have been cut, and a cut path names
    // another file or folder: only one that left room is whole.
    for (DWORD ulChars = MAX_PATH + 1;; ulChars = ulChars < kQVRLongestPath / 2 ? ulChars * 2 : kQVRLongestPath) {
        std::unique_ptr<WCHAR[]> text(new (std::nothrow) WCHAR[ulChars]());
        if (!text)
            return nullptr;
        const DWORD ulLength = read(text.get(), ulChars);
        if (ulLength == 0)
            return nullptr;
        if (ulLength < ulChars) {
            text[ulLength] = 0;
            return text;
        }
        if (ulChars == kQVRLongestPath)
            return nullptr;
    }
}

// The running program's full path, read whole (GetModuleFileNameW of its own
// module); null as above.
inline std::unique_ptr<WCHAR[]> qvrReadProgramPath()
{
    return qvrReadPlatformText(
        [](WCHAR* szBuffer, DWORD ulChars) { return GetModuleFileNameW(nullptr, szBuffer, ulChars); });
}

#endif
