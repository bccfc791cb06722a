// user32's wsprintfW: the conversions of its own (not the C runtime's), into
// a buffer of at most 1,024 characters.
#include "qvr_sim_state.h"

#include <cstdarg>
#include <string>

namespace {

const size_t kMaxOutput = 1024;  // characters, terminator included

std::u16string number(uint64_t value, unsigned base, bool bUpper)
{
    const char* digits = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string text;
    do {
        text.insert(text.begin(), static_cast<char16_t>(digits[value % base]));
        value /= base;
    } while (value);
    return text;
}

}  // namespace

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...)
{
    va_list args;
    va_start(args, format);
    std::u16string out;
    for (LPCWSTR p = format; p && *p; ++p) {
        if (*p != u'%') {
            out += *p;
            continue;
        }
        ++p;
        bool bLeft = false, bZero = false, bAlternate = false;
        for (;; ++p) {
            if (*p == u'-')
                bLeft = true;
            else if (*p == u'0')
                bZero = true;
            else if (*p == u'#')
                bAlternate = true;
            else
                break;
        }
        size_t width = 0;
        while (*p >= u'0' && *p <= u'9')
            width = width * 10 + static_cast<size_t>(*p++ - u'0');
        bool bPrecision = false;
        size_t precision = 0;
        if (*p == u'.') {
            bPrecision = true;
            ++p;
            while (*p >= u'0' && *p <= u'9')
                precision = precision * 10 + static_cast<size_t>(*p++ - u'0');
        }
        bool bNarrow = false;
        bool bWide = false;
        bool b64 = false;
        if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
            b64 = true;
            p += 3;
        } else if (*p == u'h') {
            bNarrow = true;
            ++p;
        } else if (*p == u'l' || *p == u'w') {
            bWide = true;
            ++p;
        }
        if (*p == 0)
            break;
        std::u16string field;
        std::u16string prefix;
        bool bNumber = false;
        switch (*p) {
        case u'c':
        case u'C':
            field = static_cast<char16_t>(va_arg(args, int));
            break;
        case u's':
        case u'S': {
            // %s is wide in wsprintfW, %hs narrow.
            bool bNarrowText = bNarrow || (*p == u'S' && !bWide);
            if (bNarrowText) {
                const char* sz = va_arg(args, const char*);
                if (!sz)
                    sz = "(null)";
                for (; *sz; ++sz)
                    field += static_cast<char16_t>(static_cast<unsigned char>(*sz));
            } else {
                LPCWSTR sz = va_arg(args, LPCWSTR);
                field = sz ? std::u16string(sz) : std::u16string(u"(null)");
            }
            if (bPrecision && field.size() > precision)
                field.resize(precision);
            break;
        }
        case u'd':
        case u'i': {
            int64_t value = b64 ? va_arg(args, int64_t) : va_arg(args, int);
            if (value < 0)
                prefix = u"-";
            field = number(value < 0 ? 0u - static_cast<uint64_t>(value) : static_cast<uint64_t>(value), 10, false);
            bNumber = true;
            break;
        }
        case u'u':
            field = number(b64 ? va_arg(args, uint64_t) : va_arg(args, unsigned), 10, false);
            bNumber = true;
            break;
        case u'x':
        case u'X': {
            uint64_t value = b64 ? va_arg(args, uint64_t) : va_arg(args, unsigned);
            field = number(value, 16, *p == u'X');
            if (bAlternate && value)
                prefix = *p == u'X' ? u"0X" : u"0x";
            bNumber = true;
            break;
        }
        default:
            field = *p;
            break;
        }
        if (bNumber && bPrecision && field.size() < precision)
            field.insert(0, precision - field.size(), u'0');
        size_t used = prefix.size() + field.size();
        size_t pad = width > used ? width - used : 0;
        if (bLeft)
            out += prefix + field + std::u16string(pad, u' ');
        else if (bZero && bNumber)
            out += prefix + std::u16string(pad, u'0') + field;
        else
            out += std::u16string(pad, u' ') + prefix + field;
    }
    va_end(args);
    // Wine keeps one unit for the terminator and counts an output that
    // reaches it (1,023 characters or more) as cut short: the first 1,023
    // characters and the terminator are written, and the result is 1,024.
    bool bCut = out.size() >= kMaxOutput - 1;
    size_t cch = bCut ? kMaxOutput - 1 : out.size();
    for (size_t i = 0; i < cch; ++i)
        buffer[i] = out[i];
    buffer[cch] = 0;
    return static_cast<int>(bCut ? kMaxOutput : cch);
}
