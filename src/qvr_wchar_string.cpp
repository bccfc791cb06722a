// The string's representation, assignment, comparison and search.
#include "qvr_wchar_string.h"

#include "qvr_bad_arg_exception.h"
#include "qvr_buffer_init_exception.h"
#include "qvr_function_trace.h"
#include "qvr_guard.h"
#include "qvr_mem_alloc_exception.h"

#include <cstring>
#include <functional>

static const WCHAR* const kSourceFile = QVR_T("qvr_wchar_string.cpp");
static const WCHAR* const kClassName = QVR_T("CQVRWCharString");

static const WCHAR* const kArgOccurrance = QVR_T("ulOccurrance");
static const WCHAR* const kArgParseMode = QVR_T("parseMode");
static const WCHAR* const kInvalidParseMode = QVR_T("invalid parse mode");

// --- construction -----------------------------------------------------------

CQVRWCharString::CQVRWCharString() : CQVRBuffer(0) {}

CQVRWCharString::CQVRWCharString(const CQVRWCharString& other) : CQVRBuffer(other) {}

CQVRWCharString::CQVRWCharString(const WCHAR* szText) : CQVRBuffer(0)
{
    if (!assignText(szText))
        throw CQVRBufferInitException(kSourceFile, __LINE__);
}

CQVRWCharString::CQVRWCharString(const char* szText) : CQVRBuffer(0)
{
    if (szText == nullptr)
        return;
    bool bOk = qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        size_t cb = std::strlen(szText);
        if (cb >= 0xFFFFFFFFu)
            throw CQVRMemAllocException(QVR_T("m_pBuffer"), kSourceFile, __LINE__);
        CQVRBuffer<char> narrow(szText, static_cast<uint32_t>(cb), 0);
        return assignNarrow(narrow);
    });
    if (!bOk)
        throw CQVRBufferInitException(kSourceFile, __LINE__);
}

CQVRWCharString::CQVRWCharString(WCHAR ch) : CQVRBuffer(0)
{
    if (!assignCharacter(ch))
        throw CQVRBufferInitException(kSourceFile, __LINE__);
}

CQVRWCharString::CQVRWCharString(const CQVRBuffer<unsigned short>& buffer) : CQVRBuffer(0)
{
    if (!assignBuffer(buffer))
        throw CQVRBufferInitException(kSourceFile, __LINE__);
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

bool CQVRWCharString::assignString(const CQVRWCharString& other)
{
    if (&other == this)
        return true;
    return qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!other.isValid())
            return destroy();
        return assign(other);
    });
}

bool CQVRWCharString::assignText(const WCHAR* szText)
{
    return qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        const unsigned short* pText = qvrUnits(szText);
        if (pText == nullptr || pText[0] == 0)
            return destroy();
        // Text that lies inside this string must be read before it is freed.
        std::less<const unsigned short*> before;
        if (m_pBuffer != nullptr && !before(pText, m_pBuffer) && before(pText, m_pBuffer + m_ulSize)) {
            CQVRWCharString copy(szText);
            return assignString(copy);
        }
        uint32_t ulLength = 0;
        while (pText[ulLength] != 0) {
            if (ulLength == 0xFFFFFFFEu)
                throw CQVRMemAllocException(QVR_T("m_pBuffer"), kSourceFile, __LINE__);
            ++ulLength;
        }
        if (!allocate(ulLength + 1))
            return false;
        qvrCopyElements(m_pBuffer, pText, ulLength, __LINE__);
        return true;
    });
}

bool CQVRWCharString::assignCharacter(WCHAR ch)
{
    return qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (ch == 0)
            return destroy();
        if (!allocate(2))
            return false;
        m_pBuffer[0] = static_cast<unsigned short>(ch);
        return true;
    });
}

// All elements, one terminator added, then cut at the first zero.
bool CQVRWCharString::assignBuffer(const CQVRBuffer<unsigned short>& buffer)
{
    if (&buffer == this) {
        CQVRBuffer<unsigned short> copy(buffer);
        return assignBuffer(copy);
    }
    return qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!buffer.isValid())
            return destroy();
        uint32_t ulSize = buffer.getSize();
        if (!allocate(checkedSum(ulSize, 1)))
            return false;
        qvrCopyElements(m_pBuffer, buffer.getBuffer(), ulSize, __LINE__);
        return compact();
    });
}

bool CQVRWCharString::assignNarrow(const CQVRBuffer<char>& buffer)
{
    return qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
    return qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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

CQVRWCharString& CQVRWCharString::operator+=(const CQVRWCharString& other)
{
    qvrTry(kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() {
        if (other.getLength() == 0)
            return;
        appendAt(other, getLength());
    });
    return *this;
}

CQVRWCharString CQVRWCharString::operator+(const CQVRWCharString& other) const
{
    CQVRWCharString result;
    qvrTry(kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() {
        result = *this;
        result += other;
    });
    return result;
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
    return qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!isValid() || !subString.isValid())
            return false;
        uint32_t ulLength = getLength();
        uint32_t ulSubLength = subString.getLength();
        if (ulSubLength == 0 || ulLength < ulSubLength)
            return false;
        if (ulOccurrance > ulLength)
            throw CQVRBadArgException(kArgOccurrance,
                                      QVR_T("value is impossible since it is larger than the length of this string"),
                                      kSourceFile, __LINE__);
        if (ulOccurrance == 0)
            throw CQVRBadArgException(kArgOccurrance, QVR_T("value must be greater than 0"), kSourceFile, __LINE__);
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
        throw CQVRBadArgException(kArgParseMode, kInvalidParseMode, kSourceFile, __LINE__);
    });
}

// Every match counts, overlapping ones included, as a forward find of each
// occurrence number would report them.
uint32_t CQVRWCharString::countOf(const CQVRWCharString& subString) const
{
    return qvrGuard(static_cast<uint32_t>(0), kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> uint32_t {
        if (!isValid() || !subString.isValid())
            return 0;
        uint32_t ulLength = getLength();
        uint32_t ulSubLength = subString.getLength();
        if (ulSubLength == 0 || ulLength < ulSubLength)
            return 0;
        uint32_t ulCount = 0;
        for (uint32_t ulStart = 0; ulStart <= ulLength - ulSubLength; ++ulStart) {
            if (matchesAt(subString, ulSubLength, ulStart))
                ++ulCount;
        }
        return ulCount;
    });
}

// The match at ulPos is number k forward when k matches start at or before
// it, and number k backward when k matches start at or after it.
bool CQVRWCharString::getOccurrence(const CQVRWCharString& subString, uint32_t ulPos, ParseMode parseMode,
                                    uint32_t& ulOccurrance) const
{
    return qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!isValid() || !subString.isValid())
            return false;
        uint32_t ulLength = getLength();
        uint32_t ulSubLength = subString.getLength();
        if (ulSubLength == 0 || ulLength < ulSubLength)
            return false;
        if (parseMode != pmForward && parseMode != pmBackward)
            throw CQVRBadArgException(kArgParseMode, kInvalidParseMode, kSourceFile, __LINE__);
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
    CQVRFunctionTrace trace(kClassName, QVR_T("beginsWith"), kSourceFile, __LINE__);
    return trace.logical(qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::LastError, [&]() -> bool {
        if (!isValid() || !subString.isValid())
            return false;
        uint32_t ulSubLength = subString.getLength();
        if (ulSubLength == 0 || getLength() < ulSubLength)
            return false;
        return matchesAt(subString, ulSubLength, 0);
    }));
}

bool CQVRWCharString::endsWith(const CQVRWCharString& subString) const
{
    CQVRFunctionTrace trace(kClassName, QVR_T("endsWith"), kSourceFile, __LINE__);
    return trace.logical(qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::LastError, [&]() -> bool {
        if (!isValid() || !subString.isValid())
            return false;
        uint32_t ulLength = getLength();
        uint32_t ulSubLength = subString.getLength();
        if (ulSubLength == 0 || ulLength < ulSubLength)
            return false;
        return matchesAt(subString, ulSubLength, ulLength - ulSubLength);
    }));
}

bool CQVRWCharString::convertOccurrence(const CQVRWCharString& subString, uint32_t ulOccurrance,
                                        ParseMode parseMode, uint32_t& ulResult) const
{
    return qvrGuard(false, kSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!subString.isValid() || subString.getLength() == 0)
            throw CQVRBadArgException(QVR_T("subString"), QVR_T("must contain a string"), kSourceFile, __LINE__);
        uint32_t ulPos = 0;
        if (parseMode == pmForward)
            return find(subString, ulOccurrance, pmForward, ulPos) &&
                   getOccurrence(subString, ulPos, pmBackward, ulResult);
        if (parseMode == pmBackward)
            return find(subString, ulOccurrance, pmBackward, ulPos) &&
                   getOccurrence(subString, ulPos, pmForward, ulResult);
        throw CQVRBadArgException(kArgParseMode, kInvalidParseMode, kSourceFile, __LINE__);
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
