// toNumber in every number system against a reference reading of the text,
// and number to text and back for every width and both prefix settings.
#include "fuzz_support.h"

#include "core/qvr_wchar_string.h"

#include <cstdint>

using qvrfuzz::digitValue;
using qvrfuzz::isBlank;
using qvrfuzz::units;

namespace {

typedef CQVRWCharString Str;

unsigned short lower(unsigned short u) { return u >= 'A' && u <= 'Z' ? static_cast<unsigned short>(u + 32) : u; }

bool allDigits(const units& t, int base)
{
    if (t.empty())
        return false;
    for (unsigned short u : t) {
        if (digitValue(u) >= base)
            return false;
    }
    return true;
}

struct Reference {
    bool bOk;
    uint32_t ulValue;
};

// The text as the conversions are meant to read it: blanks off both ends,
// plain digits or "0" + marker + digits or digits + marker, within the
// system's digit limit and the 32-bit range.
Reference readMarked(units t, int base, unsigned short prefix, unsigned short suffix, size_t maxDigits)
{
    Reference none = {false, 0};
    if (!allDigits(t, base)) {
        size_t markers = 0;
        for (unsigned short u : t)
            markers += lower(u) == prefix || lower(u) == suffix;
        if (markers != 1)
            return none;
        if (t.size() >= 3 && t[0] == '0' && lower(t[1]) == prefix && allDigits(t.substr(2), base))
            t = t.substr(2);
        else if (t.size() >= 2 && lower(t.back()) == suffix && allDigits(t.substr(0, t.size() - 1), base))
            t.pop_back();
        else
            return none;
    }
    if (t.size() > maxDigits)
        return none;
    uint64_t v = 0;
    for (unsigned short u : t)
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(digitValue(u));
    if (v > 0xFFFFFFFFu)
        return none;
    return {true, static_cast<uint32_t>(v)};
}

Reference readDecimal(const units& t)
{
    Reference none = {false, 0};
    size_t i = !t.empty() && t[0] == '-' ? 1 : 0;
    if (i == t.size())
        return none;
    int64_t v = 0;
    for (size_t k = i; k < t.size(); ++k) {
        if (t[k] < '0' || t[k] > '9')
            return none;
        if (v <= 0x80000000LL)
            v = v * 10 + (t[k] - '0');
    }
    if (i == 1)
        v = v > 0x80000000LL ? -0x80000000LL : -v;
    else if (v > 0x7FFFFFFFLL)
        v = 0x7FFFFFFFLL;
    return {true, static_cast<uint32_t>(static_cast<int32_t>(v))};
}

Reference reference(const units& text, Str::NumberSystem system)
{
    size_t first = 0;
    size_t last = text.size();
    while (last > 0 && isBlank(text[last - 1]))
        --last;
    while (first < last && isBlank(text[first]))
        ++first;
    units t = text.substr(first, last - first);
    switch (system) {
    case Str::nsHex:
        return readMarked(t, 16, 'x', 'h', 8);
    case Str::nsOct:
        return readMarked(t, 8, 'o', 'o', 12);
    case Str::nsBin:
        return readMarked(t, 2, 'b', 'b', 32);
    case Str::nsDec:
        return readDecimal(t);
    }
    return {false, 0};
}

void checkTextToNumber(const units& text)
{
    Str s = qvrfuzz::makeString(text);
    units cut = qvrfuzz::textOf(s);
    const Str::NumberSystem systems[] = {Str::nsHex, Str::nsBin, Str::nsOct, Str::nsDec};
    for (Str::NumberSystem system : systems) {
        uint32_t ulValue = 0xA5A5A5A5u;
        bool bOk = s.toNumber(ulValue, system);
        Reference expected = reference(cut, system);
        QVR_FUZZ_CHECK(bOk == expected.bOk);
        QVR_FUZZ_CHECK(bOk ? ulValue == expected.ulValue : ulValue == 0xA5A5A5A5u);
    }
    uint32_t ulValue = 0;
    QVR_FUZZ_CHECK(!s.toNumber(ulValue, static_cast<Str::NumberSystem>(3)));
    // Classification and marker stripping agree with each other.
    Str copy(s);
    bool bMarked = s.isBinaryString() || s.isOctalString() || s.isHexString();
    QVR_FUZZ_CHECK(copy.stripNumberSystemMarker() == bMarked);
    QVR_FUZZ_CHECK(bMarked ? copy.getLength() + 1 == s.getLength() || copy.getLength() + 2 == s.getLength()
                           : copy == s);
}

uint32_t digitsOf(uint32_t v, uint32_t bits)
{
    uint32_t n = 1;
    while ((v >>= bits) != 0)
        ++n;
    return n;
}

typedef bool (*ToText)(Str&, uint32_t, uint16_t, bool);

void checkRoundTrip(uint32_t v, uint16_t usWidth, bool bPrefix)
{
    struct System {
        Str::NumberSystem ns;
        ToText toText;
        uint32_t bits;
        uint32_t limit;
        unsigned short marker;
    };
    const System systems[] = {{Str::nsHex, &Str::toHexString, 4, 8, 'x'},
                              {Str::nsBin, &Str::toBinaryString, 1, 32, 'b'},
                              {Str::nsOct, &Str::toOctalString, 3, 12, 'o'}};
    for (const System& sys : systems) {
        Str text;
        QVR_FUZZ_CHECK(sys.toText(text, v, usWidth, bPrefix));
        uint32_t n = digitsOf(v, sys.bits);
        uint32_t width = usWidth != 0 ? usWidth : n;
        QVR_FUZZ_CHECK(text.getLength() == width + (bPrefix ? 2 : 0));
        QVR_FUZZ_CHECK(text.getSize() == text.getLength() + 1);
        if (bPrefix)
            QVR_FUZZ_CHECK(text[0] == '0' && text[1] == sys.marker);
        QVR_FUZZ_CHECK(Str(v, sys.ns, usWidth, bPrefix) == text);
        uint32_t back = 0xA5A5A5A5u;
        bool bOk = text.toNumber(back, sys.ns);
        if (width > sys.limit) {
            QVR_FUZZ_CHECK(!bOk && back == 0xA5A5A5A5u);
            continue;
        }
        QVR_FUZZ_CHECK(bOk);
        uint64_t keep = static_cast<uint64_t>(width) * sys.bits >= 32
                            ? v
                            : v & ((static_cast<uint64_t>(1) << (width * sys.bits)) - 1);
        QVR_FUZZ_CHECK(back == keep);
        if (width >= n)
            QVR_FUZZ_CHECK(back == v);
    }
    Str dec;
    QVR_FUZZ_CHECK(Str::toDecimalString(dec, static_cast<int32_t>(v)));
    QVR_FUZZ_CHECK(Str(static_cast<int32_t>(v)) == dec);
    QVR_FUZZ_CHECK(Str(v, Str::nsDec, usWidth, bPrefix) == dec);
    uint32_t back = 0;
    QVR_FUZZ_CHECK(dec.toNumber(back, Str::nsDec) && back == v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    qvrfuzz::Reader in(pData, cb);
    uint32_t v = in.word();
    uint8_t widthByte = in.byte();
    uint8_t flags = in.byte();
    // Widths past every limit are worth a look, very wide ones less so.
    uint16_t usWidth = static_cast<uint16_t>(widthByte < 0xF0 ? widthByte % 40 : 40 + (widthByte - 0xF0) * 100);
    checkRoundTrip(v, usWidth, (flags & 1) != 0);
    units text;
    while (in.left() > 0) {
        uint8_t b = in.byte();
        // Bytes stand for themselves, except that the top ones reach the
        // rest of the code units (full-width digits and the like).
        text.push_back(b < 0xFC ? b : static_cast<unsigned short>(0xFF00 + in.byte()));
    }
    checkTextToNumber(text);
    return 0;
}
