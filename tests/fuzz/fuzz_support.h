// Shared pieces of the fuzz targets: strings from fuzz bytes, plain copies of
// a string's text for reference computations, and the failure stop.
#ifndef QVR_FUZZ_SUPPORT_H
#define QVR_FUZZ_SUPPORT_H

#include "core/qvr_buffer.h"
#include "core/qvr_wchar_string.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qvrfuzz {

typedef std::basic_string<unsigned short> units;

// A property that does not hold: report where, and stop so that libFuzzer
// records the input.
[[noreturn]] inline void fail(const char* szWhat, const char* szFile, int iLine)
{
    std::fprintf(stderr, "property failed: %s (%s:%d)\n", szWhat, szFile, iLine);
    std::abort();
}

#define QVR_FUZZ_CHECK(cond)                                                                                           \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            ::qvrfuzz::fail(#cond, __FILE__, __LINE__);                                                                \
    } while (0)

// Reads the fuzz input front to back.
class Reader {
public:
    Reader(const uint8_t* pData, size_t cb) : m_pData(pData), m_cb(cb) {}
    uint8_t byte()
    {
        if (m_cb == 0)
            return 0;
        --m_cb;
        return *m_pData++;
    }
    uint32_t word()
    {
        uint32_t ul = 0;
        for (int i = 0; i < 4; ++i)
            ul = (ul << 8) | byte();
        return ul;
    }
    size_t left() const { return m_cb; }
    const uint8_t* rest() const { return m_pData; }
    // The next n bytes (fewer at the end of the input).
    const uint8_t* take(size_t& n)
    {
        if (n > m_cb)
            n = m_cb;
        const uint8_t* p = m_pData;
        m_pData += n;
        m_cb -= n;
        return p;
    }

private:
    const uint8_t* m_pData;
    size_t m_cb;
};

// The eight characters the string's trimming treats as white space.
inline bool isBlank(unsigned short u)
{
    return u == ' ' || u == 0x09 || u == 0x0C || u == 0x07 || u == 0x0A || u == 0x08 || u == 0x0D || u == 0x0B;
}

// A digit's value in any system up to hexadecimal; 16 for a unit that is no
// hexadecimal digit.
inline int digitValue(unsigned short u)
{
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return 16;
}

// A byte as a code unit from a small alphabet that makes matches likely, or
// (high bit set) as itself.
inline unsigned short smallAlphabetUnit(uint8_t b)
{
    static const unsigned short kAlphabet[] = {'a', 'b', ',', '"', ' ', '\t', 'a', 'b'};
    return b < 0x80 ? kAlphabet[b & 7] : static_cast<unsigned short>(b);
}

// Units as a string (cut at the first zero, as text assignment does).
inline CQVRWCharString makeString(const units& text)
{
    CQVRBuffer<unsigned short> buffer(text.empty() ? nullptr : text.data(), static_cast<uint32_t>(text.size()), 0);
    return CQVRWCharString(buffer);
}

inline units textOf(const CQVRWCharString& s)
{
    const unsigned short* p = s.getBuffer();
    return p == nullptr ? units() : units(p, s.getLength());
}

}  // namespace qvrfuzz

#endif
