// Texts the platform writes into a caller's buffer, read whole.
#include "core/qvr_platform_text.h"

#include <new>

std::unique_ptr<WCHAR[]> qvrReadPlatformText(const std::function<DWORD(WCHAR* szBuffer, DWORD ulChars)>& read)
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
