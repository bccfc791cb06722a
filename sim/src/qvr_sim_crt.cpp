// The C runtime's multibyte conversion as the Windows runtime performs it in
// the "C" locale, where every byte is a character of its own value.
#include "qvr_sim_win32.h"

size_t qvrMbsToWcs(WCHAR* szDest, const char* szSource, size_t cchMax)
{
    if (szSource == nullptr)
        return static_cast<size_t>(-1);
    const unsigned char* pByte = reinterpret_cast<const unsigned char*>(szSource);
    // Without a destination the answer is the length the conversion needs.
    if (szDest == nullptr) {
        size_t cch = 0;
        while (pByte[cch] != 0)
            ++cch;
        return cch;
    }
    size_t cch = 0;
    while (cch < cchMax) {
        szDest[cch] = static_cast<WCHAR>(pByte[cch]);
        if (pByte[cch] == 0)
            return cch;
        ++cch;
    }
    return cch;
}
