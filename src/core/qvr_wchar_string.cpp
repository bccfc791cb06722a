// The library's string: representation, assignment, the buffer's
// operations kept whole, comparison and search. Its editing and its number
// conversions are in qvr_wchar_string_editing.cpp and
// qvr_wchar_string_numbers.cpp.
#include "core/qvr_wchar_string.h"

#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/entries/qvr_buffer_init_exception.h"
#include "diagnostics/entries/qvr_mem_alloc_exception.h"
#include "qvr_substring_matcher.h"
#include "qvr_wchar_string_site.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <new>

static const WCHAR* const kArgParseMode = QVR_T("parseMode");
static const WCHAR* const kInvalidParseMode = QVR_T("invalid parse mode");

// --- construction -----------------------------------------------------------

CQVRWCharString::CQVRWCharString() : CQVRBuffer(0) {}

CQVRWCharString::CQVRWCharString(const CQVRWCharString& other) : CQVRBuffer(other) {}

CQVRWCharString::CQVRWCharString(const WCHAR* szText) : CQVRBuffer(0)
{
    if (!assignText(szText))
        throw CQVRBufferInitException(kThisFile, __LINE__);
}

CQVRWCharString::CQVRWCharString(const char* szText) : CQVRBuffer(0)
{
    if (szText == nullptr)
        return;
    bool bOk = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        size_t cb = std::strlen(szText);
        if (cb >= 0xFFFFFFFFu)
            throw CQVRMemAllocException(QVR_T("m_pBuffer"), kThisFile, __LINE__);
        CQVRBuffer<char> narrow(szText, static_cast<uint32_t>(cb), 0);
        return assignNarrow(narrow);
    });
    if (!bOk)
        throw CQVRBufferInitException(kThisFile, __LINE__);
}

CQVRWCharString::CQVRWCharString(WCHAR ch) : CQVRBuffer(0)
{
    if (!assignCharacter(ch))
        throw CQVRBufferInitException(kThisFile, __LINE__);
}

CQVRWCharString::CQVRWCharString(const CQVRBuffer<unsigned short>& buffer) : CQVRBuffer(0)
{
    if (!assignBuffer(buffer))
        throw CQVRBufferInitException(kThisFile, __LINE__);
}

// --- assignment -------------------------------------------------------------

CQVRWCharString& CQVRWCharString::operator=(const CQVRWCharString& other)
{
    assignString(other);
    return *this;
}

CQVRWCharString& CQVRWCharString::operator=(const WCHAR* szText)
{
    assignText(szText);
    return *this;
}

CQVRWCharString& CQVRWCharString::operator=(WCHAR ch)
{
    assignCharacter(ch);
    return *this;
}

CQVRWCharString& CQVRWCharString::operator=(const CQVRBuffer<unsigned short>& buffer)
{
    assignBuffer(buffer);
    return *this;
}

CQVRWCharString& CQVRWCharString::operator=(const CQVRBuffer<char>& buffer)
{
    assignNarrow(buffer);
    return *this;
}

// Each assignment builds the new text apart and takes it whole: the string
// holds either it or what it held before.
bool CQVRWCharString::assignString(const CQVRWCharString& other)
{
    if (&other == this)
        return true;
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!other.isValid())
            return destroy();
        CQVRBuffer<unsigned short> copy(0);
        if (!copy.CQVRBuffer::allocate(other.getSize()))
            return false;
        qvrCopyElements(copy.getBuffer(), other.getBuffer(), other.getSize(), __LINE__);
        swap(copy);
        return true;
    });
}

bool CQVRWCharString::assignText(const WCHAR* szText)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        const unsigned short* pText = qvrUnits(szText);
        if (pText == nullptr || pText[0] == 0)
            return destroy();
        // Text that lies inside this string is read no further than the
        // string's last element; it stays until the copy is taken.
        std::less<const unsigned short*> before;
        const bool bInside = m_pBuffer != nullptr && !before(pText, m_pBuffer) && before(pText, m_pBuffer + m_ulSize);
        const uint64_t ullAvailable = bInside ? static_cast<uint64_t>(m_pBuffer + m_ulSize - pText) : 0xFFFFFFFEu;
        uint32_t ulLength = 0;
        while (ulLength < ullAvailable && pText[ulLength] != 0)
            ++ulLength;
        if (!bInside && ulLength == 0xFFFFFFFEu)
            throw CQVRMemAllocException(QVR_T("m_pBuffer"), kThisFile, __LINE__);
        CQVRBuffer<unsigned short> copy(0);
        if (!copy.CQVRBuffer::allocate(ulLength + 1))
            return false;
        qvrCopyElements(copy.getBuffer(), pText, ulLength, __LINE__);
        swap(copy);
        return true;
    });
}

bool CQVRWCharString::assignCharacter(WCHAR ch)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (ch == 0)
            return destroy();
        CQVRBuffer<unsigned short> copy(0);
        if (!copy.CQVRBuffer::allocate(2))
            return false;
        copy.getBuffer()[0] = static_cast<unsigned short>(ch);
        swap(copy);
        return true;
    });
}

// All elements up to the first zero, and a terminator.
bool CQVRWCharString::assignBuffer(const CQVRBuffer<unsigned short>& buffer)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!buffer.isValid())
            return destroy();
        const unsigned short* pUnits = buffer.getBuffer();
        uint32_t ulLength = 0;
        while (ulLength < buffer.getSize() && pUnits[ulLength] != 0)
            ++ulLength;
        if (ulLength == 0)
            return destroy();
        CQVRBuffer<unsigned short> copy(0);
        if (!copy.CQVRBuffer::allocate(checkedSum(ulLength, 1)))
            return false;
        qvrCopyElements(copy.getBuffer(), pUnits, ulLength, __LINE__);
        swap(copy);
        return true;
    });
}

bool CQVRWCharString::assignNarrow(const CQVRBuffer<char>& buffer)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!buffer.isValid())
            return destroy();
        uint32_t ulSize = buffer.getSize();
        // The runtime reads up to a zero byte, which the buffer need not hold.
        CQVRBuffer<char> source(checkedSum(ulSize, 1));
        if (!source.write(buffer, 0, false))
            return false;
        CQVRBuffer<unsigned short> wide(ulSize);
        size_t cchConverted = qvrMbsToWcs(qvrWide(wide.getBuffer()), source.getBuffer(), ulSize);
        if (cchConverted == static_cast<size_t>(-1))
            return true;  // text the runtime refuses leaves the string as it was
        return assignBuffer(wide);
    });
}

// --- access -----------------------------------------------------------------

uint32_t CQVRWCharString::getLength() const
{
    if (!isValid())
        return 0;
    uint32_t ulLength = 0;
    while (ulLength < m_ulSize && m_pBuffer[ulLength] != 0)
        ++ulLength;
    return ulLength;
}

bool CQVRWCharString::compact()
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!isValid())
            return false;
        uint32_t ulLength = getLength();
        if (ulLength == 0)
            return destroy();
        if (m_ulSize == ulLength + 1)
            return true;
        return resize(checkedSum(ulLength, 1));
    });
}

// --- concatenation ----------------------------------------------------------

bool CQVRWCharString::appendText(const CQVRWCharString& other)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        const uint32_t ulLength = getLength();
        const uint32_t ulOtherLength = other.getLength();
        if (ulOtherLength == 0)
            return true;
        CQVRBuffer<unsigned short> joined(0);
        if (!joined.CQVRBuffer::allocate(checkedSum(checkedSum(ulLength, ulOtherLength), 1)))
            return false;
        qvrCopyElements(joined.getBuffer(), m_pBuffer, ulLength, __LINE__);
        qvrCopyElements(joined.getBuffer() + ulLength, other.getBuffer(), ulOtherLength, __LINE__);
        swap(joined);
        return true;
    });
}

CQVRWCharString& CQVRWCharString::operator+=(const CQVRWCharString& other)
{
    appendText(other);
    return *this;
}

CQVRWCharString CQVRWCharString::operator+(const CQVRWCharString& other) const
{
    CQVRWCharString result;
    // Part of a concatenation is another text, a folder's path without its
    // file name: the result is all of it or the empty string.
    const bool bWhole = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        result = *this;
        return result.getLength() == getLength() && result.appendText(other);
    });
    if (!bWhole)
        result.destroy();
    return result;
}

// --- the buffer's operations ------------------------------------------------

bool CQVRWCharString::allocate(uint32_t ulSize)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRBuffer<unsigned short> fresh(0);
        if (!fresh.CQVRBuffer::allocate(ulSize))
            return false;
        swap(fresh);
        return true;
    });
}

bool CQVRWCharString::resize(uint32_t ulSize)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        // A zero among the elements kept, or a new (zero) element, ends the
        // text; otherwise one more element is its terminator.
        const uint32_t ulKept = ulSize < m_ulSize ? ulSize : m_ulSize;
        bool bEnded = ulSize == 0 || ulSize > m_ulSize;
        for (uint32_t i = 0; !bEnded && i < ulKept; ++i)
            bEnded = m_pBuffer[i] == 0;
        if (!CQVRBuffer::resize(bEnded ? ulSize : checkedSum(ulSize, 1)))
            return false;
        if (!bEnded)
            m_pBuffer[ulSize] = 0;
        return true;
    });
}

template <class Operation> bool CQVRWCharString::changeWhole(Operation operation)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRBuffer<unsigned short> work(*this);
        if (!operation(work))
            return false;
        const unsigned short* pUnits = work.getBuffer();
        bool bEnded = work.getSize() == 0;
        for (uint32_t i = work.getSize(); !bEnded && i > 0; --i)
            bEnded = pUnits[i - 1] == 0;
        if (!bEnded && !work.CQVRBuffer::resize(checkedSum(work.getSize(), 1)))
            return false;
        swap(work);
        return true;
    });
}

bool CQVRWCharString::write(const CQVRBuffer<unsigned short>& buffer, uint32_t ulOffset, bool bGrow)
{
    return changeWhole([&](CQVRBuffer<unsigned short>& work) { return work.write(buffer, ulOffset, bGrow); });
}

bool CQVRWCharString::append(const CQVRBuffer<unsigned short>& other)
{
    return changeWhole([&](CQVRBuffer<unsigned short>& work) { return work.append(other); });
}

bool CQVRWCharString::appendAt(const CQVRBuffer<unsigned short>& other, uint32_t ulOffset)
{
    return changeWhole([&](CQVRBuffer<unsigned short>& work) { return work.appendAt(other, ulOffset); });
}

void qvrAppendWhole(CQVRWCharString& to, const CQVRWCharString& text)
{
    if (!to.appendText(text))
        throw std::bad_alloc();
}

void qvrCopyWhole(CQVRWCharString& to, const CQVRWCharString& from)
{
    to = from;
    if (!(to == from))
        throw std::bad_alloc();
}

// --- comparison -------------------------------------------------------------

int CQVRWCharString::compare(const CQVRWCharString& other) const
{
    bool bThis = isValid();
    bool bOther = other.isValid();
    if (!bThis || !bOther)
        return (bThis ? 1 : 0) - (bOther ? 1 : 0);
    uint32_t ulThis = getLength();
    uint32_t ulOther = other.getLength();
    uint32_t ulCommon = ulThis < ulOther ? ulThis : ulOther;
    for (uint32_t i = 0; i < ulCommon; ++i) {
        if (m_pBuffer[i] != other.m_pBuffer[i])
            return m_pBuffer[i] < other.m_pBuffer[i] ? -1 : 1;
    }
    if (ulThis == ulOther)
        return 0;
    return ulThis < ulOther ? -1 : 1;
}

bool CQVRWCharString::operator==(const CQVRWCharString& other) const { return compare(other) == 0; }
bool CQVRWCharString::operator!=(const CQVRWCharString& other) const { return compare(other) != 0; }
bool CQVRWCharString::operator<(const CQVRWCharString& other) const { return compare(other) < 0; }
bool CQVRWCharString::operator<=(const CQVRWCharString& other) const { return compare(other) <= 0; }
bool CQVRWCharString::operator>(const CQVRWCharString& other) const { return compare(other) > 0; }
bool CQVRWCharString::operator>=(const CQVRWCharString& other) const { return compare(other) >= 0; }

// --- search -----------------------------------------------------------------

// Both strings hold text and the substring is not longer than the string:
// the two lengths a scan needs.
static bool searchLengths(const CQVRWCharString& text, const CQVRWCharString& subString, uint32_t& ulLength,
                          uint32_t& ulSubLength)
{
    if (!text.isValid() || !subString.isValid())
        return false;
    ulLength = text.getLength();
    ulSubLength = subString.getLength();
    return ulSubLength != 0 && ulLength >= ulSubLength;
}

bool CQVRWCharString::matchesAt(const CQVRWCharString& subString, uint32_t ulSubLength, uint32_t ulPos) const
{
    for (uint32_t i = 0; i < ulSubLength; ++i) {
        if (m_pBuffer[ulPos + i] != subString.m_pBuffer[i])
            return false;
    }
    return true;
}

bool CQVRWCharString::find(const CQVRWCharString& subString, uint32_t ulOccurrance, ParseMode parseMode,
                           uint32_t& ulPos) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        uint32_t ulLength = 0;
        uint32_t ulSubLength = 0;
        if (!searchLengths(*this, subString, ulLength, ulSubLength))
            return false;
        if (ulOccurrance > ulLength)
            throw CQVRBadArgException(kArgOccurrance,
                                      QVR_T("value is impossible since it is larger than the length of this string"),
                                      kThisFile, __LINE__);
        if (ulOccurrance == 0)
            throw CQVRBadArgException(kArgOccurrance, QVR_T("value must be greater than 0"), kThisFile, __LINE__);
        uint32_t ulCount = 0;
        if (parseMode == pmForward) {
            for (uint32_t ulStart = 0; ulStart <= ulLength - ulSubLength; ++ulStart) {
                if (matchesAt(subString, ulSubLength, ulStart) && ++ulCount == ulOccurrance) {
                    ulPos = ulStart;
                    return true;
                }
            }
            return false;
        }
        if (parseMode == pmBackward) {
            // ulEnd is one past the last unit of a candidate match.
            for (uint32_t ulEnd = ulLength; ulEnd >= ulSubLength; --ulEnd) {
                if (matchesAt(subString, ulSubLength, ulEnd - ulSubLength) && ++ulCount == ulOccurrance) {
                    ulPos = ulEnd - ulSubLength;
                    return true;
                }
            }
            return false;
        }
        throw CQVRBadArgException(kArgParseMode, kInvalidParseMode, kThisFile, __LINE__);
    });
}

// Every match counts, overlapping ones included, as a forward find of each
// occurrence number would report them.
uint32_t CQVRWCharString::countOf(const CQVRWCharString& subString) const
{
    return qvrGuard(static_cast<uint32_t>(0), kThisFile, __LINE__, [&]() -> uint32_t {
        uint32_t ulLength = 0;
        uint32_t ulSubLength = 0;
        if (!searchLengths(*this, subString, ulLength, ulSubLength))
            return 0;
        return QVRSubStringMatcher(subString).countIn(*this);
    });
}

// The match at ulPos is number k forward when k matches start at or before
// it, and number k backward when k matches start at or after it.
bool CQVRWCharString::getOccurrence(const CQVRWCharString& subString, uint32_t ulPos, ParseMode parseMode,
                                    uint32_t& ulOccurrance) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        uint32_t ulLength = 0;
        uint32_t ulSubLength = 0;
        if (!searchLengths(*this, subString, ulLength, ulSubLength))
            return false;
        if (parseMode != pmForward && parseMode != pmBackward)
            throw CQVRBadArgException(kArgParseMode, kInvalidParseMode, kThisFile, __LINE__);
        uint32_t ulLastStart = ulLength - ulSubLength;
        if (ulPos > ulLastStart || !matchesAt(subString, ulSubLength, ulPos))
            return false;
        uint32_t ulCount = 0;
        for (uint32_t ulStart = 0; ulStart <= ulLastStart; ++ulStart) {
            bool bCounts = parseMode == pmForward ? ulStart <= ulPos : ulStart >= ulPos;
            if (bCounts && matchesAt(subString, ulSubLength, ulStart))
                ++ulCount;
        }
        ulOccurrance = ulCount;
        return true;
    });
}

bool CQVRWCharString::contains(const CQVRWCharString& subString) const
{
    uint32_t ulPos = 0;
    return find(subString, 1, pmForward, ulPos);
}

bool CQVRWCharString::beginsWith(const CQVRWCharString& subString) const
{
    return qvrTraced(kThisFile, QVR_T("beginsWith"), __LINE__, rkLogical, QVRErrorSource::LastError, [&]() -> bool {
        if (!isValid() || !subString.isValid())
            return false;
        uint32_t ulSubLength = subString.getLength();
        if (ulSubLength == 0 || getLength() < ulSubLength)
            return false;
        return matchesAt(subString, ulSubLength, 0);
    });
}

bool CQVRWCharString::endsWith(const CQVRWCharString& subString) const
{
    return qvrTraced(kThisFile, QVR_T("endsWith"), __LINE__, rkLogical, QVRErrorSource::LastError, [&]() -> bool {
        uint32_t ulLength = 0;
        uint32_t ulSubLength = 0;
        if (!searchLengths(*this, subString, ulLength, ulSubLength))
            return false;
        return matchesAt(subString, ulSubLength, ulLength - ulSubLength);
    });
}

bool CQVRWCharString::convertOccurrence(const CQVRWCharString& subString, uint32_t ulOccurrance, ParseMode parseMode,
                                        uint32_t& ulResult) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!subString.isValid() || subString.getLength() == 0)
            throw CQVRBadArgException(QVR_T("subString"), QVR_T("must contain a string"), kThisFile, __LINE__);
        uint32_t ulPos = 0;
        if (parseMode == pmForward)
            return find(subString, ulOccurrance, pmForward, ulPos) &&
                   getOccurrence(subString, ulPos, pmBackward, ulResult);
        if (parseMode == pmBackward)
            return find(subString, ulOccurrance, pmBackward, ulPos) &&
                   getOccurrence(subString, ulPos, pmForward, ulResult);
        throw CQVRBadArgException(kArgParseMode, kInvalidParseMode, kThisFile, __LINE__);
    });
}

// --- character operations ---------------------------------------------------

// ASCII only: the string knows nothing of locales.
bool CQVRWCharString::toLower()
{
    if (!isValid())
        return false;
    uint32_t ulLength = getLength();
    for (uint32_t i = 0; i < ulLength; ++i) {
        if (m_pBuffer[i] >= 'A' && m_pBuffer[i] <= 'Z')
            m_pBuffer[i] = static_cast<unsigned short>(m_pBuffer[i] + 32);
    }
    return true;
}

bool CQVRWCharString::reverse()
{
    if (!isValid())
        return false;
    uint32_t ulLength = getLength();
    for (uint32_t i = 0; i < ulLength / 2; ++i) {
        unsigned short usUnit = m_pBuffer[i];
        m_pBuffer[i] = m_pBuffer[ulLength - 1 - i];
        m_pBuffer[ulLength - 1 - i] = usUnit;
    }
    return true;
}
