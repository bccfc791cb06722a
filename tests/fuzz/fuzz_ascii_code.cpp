// Byte codes both ways: the codes of any string's elements read back to the
// same bytes, and any text reads as one byte per three characters, each the
// hexadecimal value of its pair or 0.
#include "fuzz_support.h"

#include "core/qvr_buffer.h"
#include "core/qvr_wchar_string.h"

#include <cstdint>

using qvrfuzz::digitValue;
using qvrfuzz::isBlank;
using qvrfuzz::units;

namespace {

typedef CQVRWCharString Str;

const size_t kMaxText = 3000;

// A pair as toNumber reads hexadecimal: blanks off both ends, then one or
// two digits, or a digit with the suffix 'h'.
uint8_t pairValue(unsigned short a, unsigned short b)
{
    units t;
    t.push_back(a);
    t.push_back(b);
    while (!t.empty() && isBlank(t.back()))
        t.pop_back();
    while (!t.empty() && isBlank(t.front()))
        t.erase(0, 1);
    if (t.size() == 1 && digitValue(t[0]) < 16)
        return static_cast<uint8_t>(digitValue(t[0]));
    if (t.size() == 2 && digitValue(t[0]) < 16 && digitValue(t[1]) < 16)
        return static_cast<uint8_t>(digitValue(t[0]) * 16 + digitValue(t[1]));
    if (t.size() == 2 && digitValue(t[0]) < 16 && (t[1] == 'h' || t[1] == 'H'))
        return static_cast<uint8_t>(digitValue(t[0]));
    return 0;
}

void checkCodesReadBack(const uint8_t* pData, size_t cb)
{
    // Every element as it is, zeros included: the string's whole array.
    CQVRBuffer<unsigned char> bytes(pData, static_cast<uint32_t>(cb), 0);
    CQVRBuffer<unsigned short> elements = bytes.toWideBuffer();
    Str s;
    static_cast<CQVRBuffer<unsigned short>&>(s) = elements;
    CQVRBuffer<unsigned char> raw = s.toByteBuffer();
    Str codes = s.getAsciiCodeString();
    uint32_t n = raw.getSize();
    QVR_FUZZ_CHECK(n == 2 * elements.getSize());
    QVR_FUZZ_CHECK(codes.getLength() == (n == 0 ? 0 : 3 * n - 1));
    for (uint32_t i = 0; i < codes.getLength(); ++i) {
        unsigned short u = codes[i];
        if (i % 3 == 2)
            QVR_FUZZ_CHECK(u == ' ');
        else
            QVR_FUZZ_CHECK((u >= '0' && u <= '9') || (u >= 'A' && u <= 'F'));
    }
    CQVRBuffer<unsigned char> back = codes.getBufferFromAsciiCodeString();
    QVR_FUZZ_CHECK(back.getSize() == n);
    for (uint32_t i = 0; i < n; ++i)
        QVR_FUZZ_CHECK(back[i] == raw[i]);
}

void checkAnyTextReads(const units& text)
{
    Str s = qvrfuzz::makeString(text);
    units cut = qvrfuzz::textOf(s);
    CQVRBuffer<unsigned char> bytes = s.getBufferFromAsciiCodeString();
    size_t pairs = cut.size() >= 2 ? (cut.size() - 2) / 3 + 1 : 0;
    QVR_FUZZ_CHECK(bytes.getSize() == pairs);
    for (size_t k = 0; k < pairs; ++k)
        QVR_FUZZ_CHECK(bytes[static_cast<uint32_t>(k)] == pairValue(cut[3 * k], cut[3 * k + 1]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    if (cb == 0)
        return 0;
    // The first byte picks the direction; the rest is the material.
    if ((pData[0] & 1) == 0) {
        checkCodesReadBack(pData + 1, cb - 1);
        return 0;
    }
    units text;
    for (size_t i = 1; i < cb && text.size() < kMaxText; ++i) {
        uint8_t b = pData[i];
        // Mostly hexadecimal digits and separators, so that pairs read.
        static const char kHexish[] = "0123456789ABCDEFabcdef h\tx ";
        text.push_back(b < 0xC0 ? static_cast<unsigned short>(kHexish[b % (sizeof(kHexish) - 1)])
                                : static_cast<unsigned short>(b));
    }
    checkAnyTextReads(text);
    return 0;
}
