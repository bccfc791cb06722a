// The library's string: number systems and byte codes.
#include "core/qvr_wchar_string.h"
#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/entries/qvr_buffer_init_exception.h"
#include "diagnostics/entries/qvr_mem_alloc_exception.h"
#include "qvr_wchar_string_site.h"

#include <cstdint>

// --- number systems and byte codes -------------------------------------------

namespace {

const unsigned short kConvDigits[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};

// How a number system marks its text: a prefix "0" + marker, or a suffix.
struct ConvSystem {
    uint32_t ulBase;
    unsigned short usPrefixMarker;  // lower case
    unsigned short usSuffixMarker;  // lower case
};

const ConvSystem kConvHex = {16, 'x', 'h'};
const ConvSystem kConvOct = {8, 'o', 'o'};
const ConvSystem kConvBin = {2, 'b', 'b'};

enum ConvForm { cfNone, cfPrefix, cfSuffix };

unsigned short convLower(unsigned short usUnit)
{
    return usUnit >= 'A' && usUnit <= 'Z' ? static_cast<unsigned short>(usUnit + 32) : usUnit;
}

// The digit's value, or 16 for a unit that is no hexadecimal digit.
uint32_t convDigitValue(unsigned short usUnit)
{
    if (usUnit >= '0' && usUnit <= '9')
        return usUnit - '0';
    unsigned short usLower = convLower(usUnit);
    if (usLower >= 'a' && usLower <= 'f')
        return usLower - 'a' + 10;
    return 16;
}

bool convAllDigits(const unsigned short* pUnits, uint32_t ulCount, uint32_t ulBase)
{
    if (ulCount == 0)
        return false;
    for (uint32_t i = 0; i < ulCount; ++i) {
        if (convDigitValue(pUnits[i]) >= ulBase)
            return false;
    }
    return true;
}

// A marked number: exactly one marker, and either "0" + marker + digits or
// digits + marker. A marker at index 1 after something other than '0', or
// with nothing after it, does not make a prefix: such text is not read as a
// number with its first digit thrown away.
ConvForm convMarkedForm(const CQVRWCharString& text, const ConvSystem& system)
{
    const unsigned short* pUnits = text.getBuffer();
    uint32_t ulLength = text.getLength();
    uint32_t ulMarkers = 0;
    for (uint32_t i = 0; i < ulLength; ++i) {
        unsigned short usLower = convLower(pUnits[i]);
        if (usLower == system.usPrefixMarker || usLower == system.usSuffixMarker)
            ++ulMarkers;
    }
    if (ulMarkers != 1)
        return cfNone;
    if (ulLength >= 3 && pUnits[0] == '0' && convLower(pUnits[1]) == system.usPrefixMarker &&
        convAllDigits(pUnits + 2, ulLength - 2, system.ulBase))
        return cfPrefix;
    if (ulLength >= 2 && convLower(pUnits[ulLength - 1]) == system.usSuffixMarker &&
        convAllDigits(pUnits, ulLength - 1, system.ulBase))
        return cfSuffix;
    return cfNone;
}

// The digits of text in the given system, with its marker taken off; false
// for text that is neither plain digits nor a marked number.
bool convDigitText(const CQVRWCharString& text, const ConvSystem& system, CQVRWCharString& digits)
{
    if (!text.isValid())
        return false;
    bool bPlain = convAllDigits(text.getBuffer(), text.getLength(), system.ulBase);
    if (!bPlain && convMarkedForm(text, system) == cfNone)
        return false;
    digits = text;
    return bPlain || digits.stripNumberSystemMarker();
}

uint64_t convValueOf(const CQVRWCharString& digits, uint32_t ulBase)
{
    const unsigned short* pUnits = digits.getBuffer();
    uint32_t ulLength = digits.getLength();
    uint64_t ullValue = 0;
    for (uint32_t i = 0; i < ulLength; ++i)
        ullValue = ullValue * ulBase + convDigitValue(pUnits[i]);
    return ullValue;
}

// A digit limit is written twice on purpose: once as the bad argument,
// raised without a source, and once more as the conversion's unhandled
// exception with the conversion's own line.
bool convTooManyDigits(const WCHAR* szArgumentName, const WCHAR* szMessage, uint32_t ulLine)
{
    CQVRBadArgException tooMany(szArgumentName, szMessage, nullptr, 0);
    qvrLogUnhandled(QVRErrorSource::Errno, kThisFile, ulLine);
    return false;
}

// Windows' wcstol, with its 32-bit long: white space, an optional sign and
// digits up to the first other unit; a value out of range gives the nearest
// bound. False when no digit was read.
bool convParseDecimal(const CQVRWCharString& text, int32_t& lValue)
{
    const unsigned short* pUnits = text.getBuffer();
    uint32_t ulLength = text.getLength();
    uint32_t i = 0;
    while (i < ulLength && (pUnits[i] == ' ' || (pUnits[i] >= 0x09 && pUnits[i] <= 0x0D)))
        ++i;
    bool bNegative = false;
    if (i < ulLength && (pUnits[i] == '+' || pUnits[i] == '-')) {
        bNegative = pUnits[i] == '-';
        ++i;
    }
    const uint64_t ullPastRange = 0x80000001u;
    uint64_t ullMagnitude = 0;
    bool bDigits = false;
    for (; i < ulLength && pUnits[i] >= '0' && pUnits[i] <= '9'; ++i) {
        bDigits = true;
        if (ullMagnitude < ullPastRange)
            ullMagnitude = ullMagnitude * 10 + (pUnits[i] - '0');
    }
    if (!bDigits)
        return false;
    if (bNegative)
        lValue = ullMagnitude >= 0x80000000u ? INT32_MIN : -static_cast<int32_t>(ullMagnitude);
    else
        lValue = ullMagnitude > 0x7FFFFFFFu ? INT32_MAX : static_cast<int32_t>(ullMagnitude);
    return true;
}

// ulValue in digits of ulBits bits each, cut or padded to usWidth digits
// when it is not 0, then the prefix "0" + usPrefixMarker when bPrefix.
bool convToText(CQVRWCharString& out, uint32_t ulValue, uint32_t ulBits, uint16_t usWidth, bool bPrefix,
                unsigned short usPrefixMarker)
{
    unsigned short ausDigits[32];
    uint32_t ulDigits = 0;
    uint32_t ulMask = (1u << ulBits) - 1;
    do {
        ausDigits[ulDigits++] = kConvDigits[ulValue & ulMask];
        ulValue >>= ulBits;
    } while (ulValue != 0);
    uint32_t ulWidth = usWidth != 0 ? usWidth : ulDigits;
    uint32_t ulPrefix = bPrefix ? 2 : 0;
    CQVRWCharString result;
    if (!result.allocate(ulPrefix + ulWidth + 1))
        return false;
    unsigned short* pDest = result.getBuffer();
    if (bPrefix) {
        pDest[0] = '0';
        pDest[1] = usPrefixMarker;
    }
    for (uint32_t k = 0; k < ulWidth; ++k)
        pDest[ulPrefix + ulWidth - 1 - k] = k < ulDigits ? ausDigits[k] : static_cast<unsigned short>('0');
    out.swap(result);
    return true;
}

}  // namespace

// --- construction from numbers ----------------------------------------------

CQVRWCharString::CQVRWCharString(int32_t lValue) : CQVRBuffer(0)
{
    if (!toDecimalString(*this, lValue))
        throw CQVRBufferInitException(kThisFile, __LINE__);
}

CQVRWCharString::CQVRWCharString(uint32_t ulValue, NumberSystem asNumberSystem, uint16_t usWidth, bool bPrefix)
    : CQVRBuffer(0)
{
    bool bOk = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        switch (asNumberSystem) {
        case nsHex:
            return toHexString(*this, ulValue, usWidth, bPrefix);
        case nsBin:
            return toBinaryString(*this, ulValue, usWidth, bPrefix);
        case nsOct:
            return toOctalString(*this, ulValue, usWidth, bPrefix);
        case nsDec:
            return toDecimalString(*this, static_cast<int32_t>(ulValue));
        }
        throw CQVRBadArgException(QVR_T("asNumberSystem"), QVR_T("mode isn't supported, must be hex,bin,or oct"),
                                  kThisFile, __LINE__);
    });
    if (!bOk)
        throw CQVRBufferInitException(kThisFile, __LINE__);
}

// --- classification ---------------------------------------------------------

bool CQVRWCharString::isNumber(bool bAllowNegative, bool bAllowDecimal) const
{
    uint32_t ulLength = getLength();
    if (ulLength == 0)
        return false;
    bool bDecimalPoint = false;
    for (uint32_t i = 0; i < ulLength; ++i) {
        unsigned short usUnit = m_pBuffer[i];
        if (usUnit >= '0' && usUnit <= '9')
            continue;
        if (usUnit == '-' && i == 0 && bAllowNegative)
            continue;
        if (usUnit == '.' && bAllowDecimal && !bDecimalPoint && i != 0 && i != ulLength - 1) {
            bDecimalPoint = true;
            continue;
        }
        return false;
    }
    return true;
}

bool CQVRWCharString::isBinaryDigits() const { return convAllDigits(m_pBuffer, getLength(), 2); }
bool CQVRWCharString::isOctalDigits() const { return convAllDigits(m_pBuffer, getLength(), 8); }
bool CQVRWCharString::isHexDigits() const { return convAllDigits(m_pBuffer, getLength(), 16); }
bool CQVRWCharString::isBinaryString() const { return convMarkedForm(*this, kConvBin) != cfNone; }
bool CQVRWCharString::isOctalString() const { return convMarkedForm(*this, kConvOct) != cfNone; }
bool CQVRWCharString::isHexString() const { return convMarkedForm(*this, kConvHex) != cfNone; }

bool CQVRWCharString::stripNumberSystemMarker()
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        ConvForm form = convMarkedForm(*this, kConvBin);
        if (form == cfNone)
            form = convMarkedForm(*this, kConvOct);
        if (form == cfNone)
            form = convMarkedForm(*this, kConvHex);
        if (form == cfPrefix)
            cutLeft(2);
        else if (form == cfSuffix)
            cutRight(1);
        return form != cfNone;
    });
}

// --- text to number ---------------------------------------------------------

bool CQVRWCharString::hexToNumber(uint32_t& ulValue) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWCharString digits;
        if (!convDigitText(*this, kConvHex, digits))
            return false;
        if (digits.getLength() > 8)
            return convTooManyDigits(QVR_T("this string"),
                                     QVR_T("too many hex digits in string - will overflow unsigned long value"),
                                     __LINE__);
        ulValue = static_cast<uint32_t>(convValueOf(digits, 16));
        return true;
    });
}

// Twelve octal digits hold 36 bits: the value itself decides whether it fits.
bool CQVRWCharString::octalToNumber(uint32_t& ulValue) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWCharString digits;
        if (!convDigitText(*this, kConvOct, digits))
            return false;
        uint64_t ullValue = digits.getLength() > 12 ? 0 : convValueOf(digits, 8);
        if (digits.getLength() > 12 || ullValue > 0xFFFFFFFFu)
            return convTooManyDigits(QVR_T("this string"),
                                     QVR_T("too many octal digits in string - will overflow unsigned long value"),
                                     __LINE__);
        ulValue = static_cast<uint32_t>(ullValue);
        return true;
    });
}

bool CQVRWCharString::binaryToNumber(uint32_t& ulValue) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWCharString digits;
        if (!convDigitText(*this, kConvBin, digits))
            return false;
        if (digits.getLength() > 32)
            return convTooManyDigits(
                QVR_T("this"), QVR_T("too many binary digits in string - will overflow unsigned long value"), __LINE__);
        ulValue = static_cast<uint32_t>(convValueOf(digits, 2));
        return true;
    });
}

// Decimal text is signed; its value is handed out as its 32-bit pattern.
bool CQVRWCharString::toNumber(uint32_t& ulValue, NumberSystem system) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWCharString text(*this);
        if (!text.trim(QVR_T(' '), CQVRFlags(3), CQVRFlags(255)))
            return false;
        switch (system) {
        case nsHex:
            return text.hexToNumber(ulValue);
        case nsBin:
            return text.binaryToNumber(ulValue);
        case nsOct:
            return text.octalToNumber(ulValue);
        case nsDec: {
            int32_t lValue = 0;
            if (!text.isNumber(true, false) || !convParseDecimal(text, lValue))
                return false;
            ulValue = static_cast<uint32_t>(lValue);
            return true;
        }
        }
        return false;
    });
}

// --- number to text ---------------------------------------------------------

bool CQVRWCharString::toHexString(CQVRWCharString& out, uint32_t ulValue, uint16_t usWidth, bool bPrefix)
{
    return qvrGuard(false, kThisFile, __LINE__,
                    [&]() -> bool { return convToText(out, ulValue, 4, usWidth, bPrefix, 'x'); });
}

bool CQVRWCharString::toBinaryString(CQVRWCharString& out, uint32_t ulValue, uint16_t usWidth, bool bPrefix)
{
    return qvrGuard(false, kThisFile, __LINE__,
                    [&]() -> bool { return convToText(out, ulValue, 1, usWidth, bPrefix, 'b'); });
}

bool CQVRWCharString::toOctalString(CQVRWCharString& out, uint32_t ulValue, uint16_t usWidth, bool bPrefix)
{
    return qvrGuard(false, kThisFile, __LINE__,
                    [&]() -> bool { return convToText(out, ulValue, 3, usWidth, bPrefix, 'o'); });
}

bool CQVRWCharString::toDecimalString(CQVRWCharString& out, int32_t lValue)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        unsigned short ausText[12];
        uint32_t ulNext = 12;
        int64_t llValue = lValue;
        uint64_t ullMagnitude = static_cast<uint64_t>(llValue < 0 ? -llValue : llValue);
        do {
            ausText[--ulNext] = kConvDigits[ullMagnitude % 10];
            ullMagnitude /= 10;
        } while (ullMagnitude != 0);
        if (llValue < 0)
            ausText[--ulNext] = '-';
        CQVRWCharString result;
        if (!result.allocate(12 - ulNext + 1))
            return false;
        for (uint32_t i = ulNext; i < 12; ++i)
            result.getBuffer()[i - ulNext] = ausText[i];
        out.swap(result);
        return true;
    });
}

// --- byte codes -------------------------------------------------------------

CQVRWCharString CQVRWCharString::getAsciiCodeString() const
{
    CQVRWCharString result;
    qvrTraced(kThisFile, QVR_T("getAsciiCodeString"), __LINE__, rkPassFail, [&]() -> bool {
        CQVRBuffer<unsigned char> bytes = toByteBuffer();
        uint32_t ulBytes = bytes.getSize();
        if (ulBytes == 0)
            return true;
        uint64_t ullLength = static_cast<uint64_t>(ulBytes) * 3 - 1;
        if (ullLength >= 0xFFFFFFFFu)
            throw CQVRMemAllocException(QVR_T("m_pBuffer"), kThisFile, __LINE__);
        if (!result.allocate(static_cast<uint32_t>(ullLength) + 1))
            return false;
        unsigned short* pDest = result.getBuffer();
        const unsigned char* pBytes = bytes.getBuffer();
        for (uint32_t i = 0; i < ulBytes; ++i) {
            if (i > 0)
                *pDest++ = ' ';
            *pDest++ = kConvDigits[pBytes[i] >> 4];
            *pDest++ = kConvDigits[pBytes[i] & 0x0F];
        }
        return true;
    });
    return result;
}

// Each three characters are one byte: two digits and a separator, whatever
// that is. A pair that does not read as hexadecimal still stands for a byte,
// which is 0.
CQVRBuffer<unsigned char> CQVRWCharString::getBufferFromAsciiCodeString() const
{
    CQVRBuffer<unsigned char> result(0);
    qvrTraced(kThisFile, QVR_T("getBufferFromAsciiCodeString"), __LINE__, rkPassFail, [&]() -> bool {
        uint32_t ulLength = getLength();
        uint32_t ulPairs = ulLength >= 2 ? (ulLength - 2) / 3 + 1 : 0;
        if (ulPairs > 0 && !result.allocate(ulPairs))
            return false;
        for (uint32_t k = 0; k < ulPairs; ++k) {
            CQVRWCharString pair;
            if (!pair.allocate(3))
                return false;
            pair.getBuffer()[0] = m_pBuffer[3 * k];
            pair.getBuffer()[1] = m_pBuffer[3 * k + 1];
            uint32_t ulByte = 0;
            if (!pair.toNumber(ulByte, nsHex))
                ulByte = 0;
            result.getBuffer()[k] = static_cast<unsigned char>(ulByte & 0xFF);
        }
        // What is left after the last pair goes through one more extraction,
        // whose result is not used: it is there only for the bad-argument
        // entry that a lone last character writes.
        CQVRWCharString rest;
        if (ulPairs == 0)
            rest = *this;
        else if (3 * static_cast<uint64_t>(ulPairs) < ulLength)
            rest = CQVRWCharString(static_cast<WCHAR>(m_pBuffer[ulLength - 1]));
        CQVRWCharString unused;
        rest.extractInside(unused, 0, 1, true, true);
        return true;
    });
    return result;
}
