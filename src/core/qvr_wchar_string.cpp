// The library's string: representation, assignment, comparison and search;
// editing by position and by substring, whitespace stripping and fields;
// number systems and byte codes.
#include "core/qvr_wchar_string.h"

#include "core/qvr_dbllist.h"
#include "core/qvr_obj_node.h"
#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/entries/qvr_buffer_init_exception.h"
#include "diagnostics/entries/qvr_mem_alloc_exception.h"
#include "qvr_guard.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <new>

static const QVRSourceFile kThisFile = {QVR_T("CQVRWCharString"), QVR_T("qvr_wchar_string.cpp"), QVRErrorSource::Errno};

static const WCHAR* const kArgOccurrance = QVR_T("ulOccurrance");
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

bool CQVRWCharString::assignString(const CQVRWCharString& other)
{
    if (&other == this)
        return true;
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!other.isValid())
            return destroy();
        return assign(other);
    });
}

bool CQVRWCharString::assignText(const WCHAR* szText)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        const unsigned short* pText = qvrUnits(szText);
        if (pText == nullptr || pText[0] == 0)
            return destroy();
        // Text that lies inside this string must be read before it is freed,
        // and no further than the string's last element: the buffer's own
        // operations (resize, write) can leave it without a terminator.
        std::less<const unsigned short*> before;
        if (m_pBuffer != nullptr && !before(pText, m_pBuffer) && before(pText, m_pBuffer + m_ulSize)) {
            const uint32_t ulAvailable = static_cast<uint32_t>(m_pBuffer + m_ulSize - pText);
            uint32_t ulLength = 0;
            while (ulLength < ulAvailable && pText[ulLength] != 0)
                ++ulLength;
            const CQVRBuffer<unsigned short> copy(pText, ulLength, 0);
            return assignBuffer(copy);
        }
        uint32_t ulLength = 0;
        while (pText[ulLength] != 0) {
            if (ulLength == 0xFFFFFFFEu)
                throw CQVRMemAllocException(QVR_T("m_pBuffer"), kThisFile, __LINE__);
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
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
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
        CQVRBuffer<unsigned short> copy(buffer);  // NOLINT(performance-unnecessary-copy-initialization): buffer is this
        return assignBuffer(copy);
    }
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
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

CQVRWCharString& CQVRWCharString::operator+=(const CQVRWCharString& other)
{
    qvrTry(kThisFile, __LINE__, [&]() {
        if (other.getLength() == 0)
            return;
        appendAt(other, getLength());
    });
    return *this;
}

CQVRWCharString CQVRWCharString::operator+(const CQVRWCharString& other) const
{
    CQVRWCharString result;
    const bool bRan = qvrTry(kThisFile, __LINE__, [&]() {
        result = *this;
        result += other;
    });
    // Part of a concatenation is another text, a folder's path without its
    // file name: the result is all of it or the empty string.
    if (!bRan || result.getLength() != static_cast<uint64_t>(getLength()) + other.getLength())
        result.destroy();
    return result;
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

namespace {

// The occurrences of a substring, found in one scan: Knuth-Morris-Pratt,
// so that a text is read once whatever the substring repeats.
class SubStringMatcher {
public:
    // subString is valid and not empty.
    explicit SubStringMatcher(const CQVRWCharString& subString)
        : m_pUnits(subString.getBuffer()), m_ulLength(subString.getLength()), m_border(m_ulLength)
    {
        for (uint32_t i = 1, ulBorder = 0; i < m_ulLength; ++i) {
            while (ulBorder > 0 && m_pUnits[i] != m_pUnits[ulBorder])
                ulBorder = m_border.getBuffer()[ulBorder - 1];
            if (m_pUnits[i] == m_pUnits[ulBorder])
                ++ulBorder;
            m_border.getBuffer()[i] = ulBorder;
        }
    }

    uint32_t length() const { return m_ulLength; }

    // How many units of the substring are matched after usUnit, when ulState
    // were before it; the full length is a match. A match goes on from its
    // longest border, so that overlapping matches count.
    uint32_t next(uint32_t ulState, unsigned short usUnit) const
    {
        const uint32_t* pBorder = m_border.getBuffer();
        if (ulState == m_ulLength)
            ulState = pBorder[ulState - 1];
        while (ulState > 0 && m_pUnits[ulState] != usUnit)
            ulState = pBorder[ulState - 1];
        return m_pUnits[ulState] == usUnit ? ulState + 1 : 0;
    }

    // The first position from ulPos on that holds the substring's first
    // unit, or ulLength.
    uint32_t skip(const unsigned short* pText, uint32_t ulPos, uint32_t ulLength) const
    {
        const unsigned short usFirst = m_pUnits[0];
        while (ulPos < ulLength && pText[ulPos] != usFirst)
            ++ulPos;
        return ulPos;
    }

    // Every match counts, overlapping ones too.
    uint32_t countIn(const CQVRWCharString& text) const
    {
        uint32_t ulLength = text.getLength();
        if (!text.isValid() || ulLength < m_ulLength)
            return 0;
        const unsigned short* pText = text.getBuffer();
        uint32_t ulCount = 0;
        uint32_t ulState = 0;
        for (uint32_t i = 0; i < ulLength; ++i) {
            if (ulState == 0) {
                i = skip(pText, i, ulLength);
                if (i == ulLength)
                    break;
            }
            ulState = next(ulState, pText[i]);
            if (ulState == m_ulLength)
                ++ulCount;
        }
        return ulCount;
    }

private:
    const unsigned short* m_pUnits;
    uint32_t m_ulLength;
    // Longest proper border of each prefix, by the prefix's last index.
    CQVRBuffer<uint32_t> m_border;
};

}  // namespace

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
        return SubStringMatcher(subString).countIn(*this);
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

// --- editing ---------------------------------------------------------------

namespace {

const WCHAR* const kEditArgStartPos = QVR_T("ulStartPos");
const WCHAR* const kEditArgSubStringMode = QVR_T("subStringMode");
const WCHAR* const kEditStartPastEnd = QVR_T("start position is past the end of the string");
const WCHAR* const kEditNotEnoughStrings = QVR_T("there aren't enough strings to accommodate ulOccurrance");
const WCHAR* const kEditInvalidMode = QVR_T("invalid mode");

// The whitespace that a selection's bits choose, bit 1 first; the table's
// end mark is no character of any selection.
const unsigned short kEditWhitespace[] = {0x20, 0x09, 0x0C, 0x07, 0x0A, 0x08, 0x0D, 0x0B, 0xFFFF};
const uint32_t kEditWhitespaceCount = 8;

const uint32_t kEditLeadingEnd = 1;
const uint32_t kEditTrailingEnd = 2;

bool editIsSelected(unsigned short usUnit, uint32_t ulCharacters)
{
    for (uint32_t i = 0; i < kEditWhitespaceCount; ++i) {
        if ((ulCharacters & (1u << i)) != 0 && usUnit == kEditWhitespace[i])
            return true;
    }
    return false;
}

// A run of code units that goes into a built string.
struct EditPiece {
    const unsigned short* pUnits;
    uint32_t ulCount;
};

// out becomes the pieces one after another, compacted (empty: no array).
// The result is put together apart from out, as the pieces may lie in out.
bool editBuild(CQVRWCharString& out, std::initializer_list<EditPiece> pieces)
{
    uint64_t ullTotal = 0;
    for (const EditPiece& piece : pieces)
        ullTotal += piece.ulCount;
    if (ullTotal >= 0xFFFFFFFFu)
        throw CQVRMemAllocException(QVR_T("m_pBuffer"), kThisFile, __LINE__);
    uint32_t ulTotal = static_cast<uint32_t>(ullTotal);
    CQVRWCharString result;
    if (ulTotal > 0) {
        if (!result.allocate(ulTotal + 1))
            return false;
        unsigned short* pDest = result.getBuffer();
        for (const EditPiece& piece : pieces) {
            qvrCopyElements(pDest, piece.pUnits, piece.ulCount, __LINE__);
            pDest += piece.ulCount;
        }
    }
    out = result;
    return out.getLength() == ulTotal;
}

// out becomes all of source's elements.
bool editCopy(CQVRWCharString& out, const CQVRWCharString& source)
{
    out = source;
    return out.getSize() == source.getSize();
}

// The mode checks that removeString and replace share: how many steps, and
// the occurrence the first one works on. An ssmOccur number past the count
// is reported with the caller's own message.
void editModeSteps(CQVRWCharString::SubStringMode subStringMode, uint32_t ulOccurrance, uint32_t ulCount,
                   const WCHAR* szOccurOutOfBounds, uint32_t& ulSteps, uint32_t& ulFirst)
{
    ulSteps = 1;
    ulFirst = 1;
    switch (subStringMode) {
    case CQVRWCharString::ssmAll:
        ulSteps = ulCount;
        return;
    case CQVRWCharString::ssmOccur:
        if (ulOccurrance == 0)
            throw CQVRBadArgException(kArgOccurrance, QVR_T("ssmOccur mode requires ulOccurrance to be greater than 0"),
                                      kThisFile, __LINE__);
        if (ulOccurrance > ulCount)
            throw CQVRBadArgException(kArgOccurrance, szOccurOutOfBounds, kThisFile, __LINE__);
        ulFirst = ulOccurrance;
        return;
    case CQVRWCharString::ssmNum:
        if (ulOccurrance == 0)
            throw CQVRBadArgException(kArgOccurrance, QVR_T("ssmNum mode requires ulOccurrance to be greater than 0"),
                                      kThisFile, __LINE__);
        if (ulOccurrance > ulCount)
            throw CQVRBadArgException(kArgOccurrance, kEditNotEnoughStrings, kThisFile, __LINE__);
        ulSteps = ulOccurrance;
        return;
    }
    throw CQVRBadArgException(kEditArgSubStringMode, kEditInvalidMode, kThisFile, __LINE__);
}

// A stack on the library's buffer, which wipes what it held when it is
// freed; it grows by doubling, within a buffer's 32-bit size.
template <class T> class EditStack {
public:
    uint32_t size() const { return m_ulCount; }
    bool empty() const { return m_ulCount == 0; }
    const T* data() const { return m_buffer.getBuffer(); }
    T& operator[](uint32_t i) { return m_buffer.getBuffer()[i]; }
    T& back() { return m_buffer.getBuffer()[m_ulCount - 1]; }

    void reserve(uint64_t ullCount)
    {
        if (ullCount <= m_buffer.getSize())
            return;
        if (ullCount >= 0xFFFFFFFFu || !m_buffer.resize(static_cast<uint32_t>(ullCount)))
            throw CQVRMemAllocException(QVR_T("m_pBuffer"), kThisFile, __LINE__);
    }

    void push(T value)
    {
        if (m_ulCount == m_buffer.getSize())
            grow(1);
        m_buffer.getBuffer()[m_ulCount++] = value;
    }

    void append(const T* pValues, uint32_t ulCount)
    {
        grow(ulCount);
        qvrCopyElements(m_buffer.getBuffer() + m_ulCount, pValues, ulCount, __LINE__);
        m_ulCount += ulCount;
    }

    void appendCopies(T value, uint32_t ulCount)
    {
        grow(ulCount);
        T* pValues = m_buffer.getBuffer() + m_ulCount;
        for (uint32_t i = 0; i < ulCount; ++i)
            pValues[i] = value;
        m_ulCount += ulCount;
    }

    void truncate(uint32_t ulCount) { m_ulCount = ulCount; }

private:
    void grow(uint32_t ulMore)
    {
        uint64_t ullNeeded = static_cast<uint64_t>(m_ulCount) + ulMore;
        if (ullNeeded <= m_buffer.getSize())
            return;
        uint64_t ullDoubled = 2ull * m_buffer.getSize();
        reserve(ullNeeded > ullDoubled ? ullNeeded : (ullDoubled < 0xFFFFFFFEu ? ullDoubled : 0xFFFFFFFEu));
    }

    CQVRBuffer<T> m_buffer;
    uint32_t m_ulCount = 0;
};

// The steps of removeString and replace, done in one pass instead of
// searching again from the start and rebuilding the text for each of them.
// Step n replaces occurrence ulFirst + (n - 1) * ulAdvance of the text as the
// earlier steps left it, counted from its start with overlapping matches,
// by the new units (none for a removal). What was scanned stays on a stack
// with the matcher's state after each unit: a replacement takes its match off
// the top, and the new units and what follows are then read as the text the
// next step searches. That step's occurrence cannot end inside what is left
// on the stack, so nothing is scanned twice.
class EditSubstitution {
public:
    EditSubstitution(const SubStringMatcher& matcher, const unsigned short* pNewUnits, uint32_t ulNewLength)
        : m_matcher(matcher), m_pNewUnits(pNewUnits), m_ulNewLength(ulNewLength)
    {
    }

    // Runs up to ulSteps steps over text; the number done (fewer when an
    // occurrence was missing) is the result, the text they make is result().
    // ulExpected is the likely length of that text.
    uint32_t run(const CQVRWCharString& text, uint32_t ulFirst, uint32_t ulAdvance, uint32_t ulSteps,
                 uint64_t ullExpected)
    {
        const unsigned short* pText = text.getBuffer();
        const uint32_t ulLength = text.getLength();
        const uint32_t ulSubLength = m_matcher.length();
        // Only a hint: a text that grows more than that grows as it goes.
        uint64_t ullCap = 2ull * ulLength + 1024;
        ullExpected = ullExpected < ullCap ? ullExpected : ullCap;
        m_units.reserve(ullExpected);
        m_states.reserve(ullExpected);
        uint64_t ullWanted = ulFirst;
        // Matches that end on the stack.
        uint64_t ullCount = 0;
        uint32_t ulDone = 0;
        uint32_t ulPos = 0;
        // New units not yet read, each by how much of them was read; the
        // innermost last. Below them the rest of the text.
        EditStack<uint32_t> pending;
        while (ulDone < ulSteps) {
            unsigned short usUnit = 0;
            if (!pending.empty()) {
                if (pending.back() == m_ulNewLength) {
                    pending.truncate(pending.size() - 1);
                    continue;
                }
                usUnit = m_pNewUnits[pending.back()++];
            } else if (ulPos < ulLength) {
                if (m_states.empty() || m_states.back() == 0) {
                    // Outside any partial match, units other than the
                    // substring's first one are taken as they are.
                    uint32_t ulSkip = m_matcher.skip(pText, ulPos, ulLength);
                    m_units.append(pText + ulPos, ulSkip - ulPos);
                    m_states.appendCopies(0, ulSkip - ulPos);
                    ulPos = ulSkip;
                    if (ulPos == ulLength)
                        return ulDone;
                }
                usUnit = pText[ulPos++];
            } else {
                return ulDone;
            }
            uint32_t ulState = m_matcher.next(m_states.empty() ? 0 : m_states.back(), usUnit);
            if (ulState == ulSubLength && ++ullCount == ullWanted) {
                // The match's earlier units are on the stack, its last one is
                // this unit, which is dropped; so are the matches that ended
                // inside it.
                --ullCount;
                uint32_t ulKeep = m_units.size() - (ulSubLength - 1);
                for (uint32_t i = ulKeep; i < m_states.size(); ++i) {
                    if (m_states[i] == ulSubLength)
                        --ullCount;
                }
                m_units.truncate(ulKeep);
                m_states.truncate(ulKeep);
                if (m_ulNewLength > 0)
                    pending.push(0);
                ++ulDone;
                ullWanted += ulAdvance;
                continue;
            }
            m_units.push(usUnit);
            m_states.push(ulState);
        }
        // The steps are done: the rest is taken as it is.
        while (!pending.empty()) {
            m_units.append(m_pNewUnits + pending.back(), m_ulNewLength - pending.back());
            pending.truncate(pending.size() - 1);
        }
        m_units.append(pText + ulPos, ulLength - ulPos);
        return ulDone;
    }

    const EditStack<unsigned short>& result() const { return m_units; }

private:
    const SubStringMatcher& m_matcher;
    const unsigned short* m_pNewUnits;
    uint32_t m_ulNewLength;
    EditStack<unsigned short> m_units;
    // The matcher's state after each unit of m_units; a full length marks the
    // end of a match.
    EditStack<uint32_t> m_states;
};

}  // namespace

// --- cutting ----------------------------------------------------------------

bool CQVRWCharString::getCutRight(CQVRWCharString& out, uint32_t n) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (n == 0)
            return editCopy(out, *this);
        uint32_t ulLength = getLength();
        if (n >= ulLength)
            return editBuild(out, {});
        return editBuild(out, {{m_pBuffer, ulLength - n}});
    });
}

bool CQVRWCharString::getCutLeft(CQVRWCharString& out, uint32_t n) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (n == 0)
            return editCopy(out, *this);
        uint32_t ulLength = getLength();
        if (n >= ulLength)
            return editBuild(out, {});
        return editBuild(out, {{m_pBuffer + n, ulLength - n}});
    });
}

CQVRWCharString& CQVRWCharString::cutRight(uint32_t n)
{
    getCutRight(*this, n);
    return *this;
}

CQVRWCharString& CQVRWCharString::cutLeft(uint32_t n)
{
    getCutLeft(*this, n);
    return *this;
}

// --- by position ------------------------------------------------------------

// The range runs forward from the start to the end position; when the end
// lies before the start it wraps round the end of the text, so what is left
// is the stretch from the end position to the start position.
bool CQVRWCharString::deleteRange(uint32_t ulStartPos, uint32_t ulEndPos, bool bDeleteStart, bool bDeleteEnd)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!isValid())
            return false;
        uint32_t ulLength = getLength();
        if (ulStartPos >= ulLength)
            throw CQVRBadArgException(kEditArgStartPos, kEditStartPastEnd, kThisFile, __LINE__);
        if (ulEndPos >= ulLength)
            throw CQVRBadArgException(QVR_T("ulEndPos"), QVR_T("end position is past the end of the string"), kThisFile,
                                      __LINE__);
        if (ulStartPos == ulEndPos)
            throw CQVRBadArgException(QVR_T("ulEndPos & ulStartPos"), QVR_T("start and end positions can't be equal"),
                                      kThisFile, __LINE__);
        if (ulStartPos < ulEndPos) {
            uint32_t ulHead = bDeleteStart ? ulStartPos : ulStartPos + 1;
            uint32_t ulTail = bDeleteEnd ? ulEndPos + 1 : ulEndPos;
            return editBuild(*this, {{m_pBuffer, ulHead}, {m_pBuffer + ulTail, ulLength - ulTail}});
        }
        uint32_t ulFirst = bDeleteEnd ? ulEndPos + 1 : ulEndPos;
        uint32_t ulPastLast = bDeleteStart ? ulStartPos : ulStartPos + 1;
        return editBuild(*this, {{m_pBuffer + ulFirst, ulPastLast - ulFirst}});
    });
}

bool CQVRWCharString::extractInside(CQVRWCharString& out, uint32_t ulStartPos, uint32_t ulEndPos, bool bIncludeStart,
                                    bool bIncludeEnd) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (ulEndPos < ulStartPos)
            throw CQVRBadArgException(kEditArgStartPos,
                                      QVR_T("start position can't be greater than end position - use "
                                            "extractOutside( ) or deleteRange( ) instead"),
                                      kThisFile, __LINE__);
        if (ulStartPos != ulEndPos) {
            // Deleting the wrapped range from the end to the start leaves the inside.
            CQVRWCharString copy(*this);
            if (!copy.deleteRange(ulEndPos, ulStartPos, !bIncludeEnd, !bIncludeStart))
                return false;
            return editCopy(out, copy);
        }
        if (!bIncludeStart && !bIncludeEnd)
            return editBuild(out, {});
        // A single character must exist to be handed out.
        if (ulStartPos >= getLength())
            throw CQVRBadArgException(kEditArgStartPos, kEditStartPastEnd, kThisFile, __LINE__);
        return editBuild(out, {{m_pBuffer + ulStartPos, 1}});
    });
}

// --- by delimiter -----------------------------------------------------------

bool CQVRWCharString::extractBetween(CQVRWCharString& out, const CQVRWCharString& startString,
                                     uint32_t ulStartOccurrance, const CQVRWCharString& endString,
                                     uint32_t ulEndOccurrance, bool bIncludeStart, bool bIncludeEnd) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        uint32_t ulStart = 0;
        uint32_t ulEnd = 0;
        if (!find(startString, ulStartOccurrance, pmForward, ulStart))
            return false;
        if (!find(endString, ulEndOccurrance, pmBackward, ulEnd))
            return false;
        uint32_t ulStartLength = startString.getLength();
        uint32_t ulEndLength = endString.getLength();
        if (bIncludeStart && bIncludeEnd)
            return extractInside(out, ulStart, ulEnd + ulEndLength - 1, true, true);
        if (bIncludeStart)
            return extractInside(out, ulStart, ulEnd, true, false);
        if (bIncludeEnd)
            return extractInside(out, ulStart + ulStartLength - 1, ulEnd + ulEndLength - 1, false, true);
        return extractInside(out, ulStart + ulStartLength - 1, ulEnd, false, false);
    });
}

bool CQVRWCharString::truncateAt(const CQVRWCharString& subString, uint32_t ulOccurrance, ParseMode parseMode,
                                 bool bExcludeMatch)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (parseMode != pmForward && parseMode != pmBackward)
            return false;
        uint32_t ulPos = 0;
        if (!find(subString, ulOccurrance, parseMode, ulPos))
            return false;
        uint32_t ulLength = getLength();
        uint32_t ulSubLength = subString.getLength();
        if (parseMode == pmForward) {
            uint32_t ulFrom = bExcludeMatch ? ulPos + ulSubLength : ulPos;
            return editBuild(*this, {{m_pBuffer + ulFrom, ulLength - ulFrom}});
        }
        uint32_t ulUpTo = bExcludeMatch ? ulPos : ulPos + ulSubLength;
        return editBuild(*this, {{m_pBuffer, ulUpTo}});
    });
}

// The text before (forward) or after (backward) the occurrence: truncating
// from the other side at the same match, numbered from that side.
bool CQVRWCharString::extractPart(CQVRWCharString& out, const CQVRWCharString& subString, uint32_t ulOccurrance,
                                  ParseMode parseMode, bool bIncludeMatch) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWCharString copy(*this);
        uint32_t ulOther = 0;
        if (!copy.convertOccurrence(subString, ulOccurrance, parseMode, ulOther))
            return false;
        ParseMode otherMode = parseMode == pmForward ? pmBackward : pmForward;
        if (!copy.truncateAt(subString, ulOther, otherMode, !bIncludeMatch))
            return false;
        return editCopy(out, copy);
    });
}

// --- substrings -------------------------------------------------------------

bool CQVRWCharString::insert(const CQVRWCharString& string, uint32_t ulPos)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!isValid() && ulPos != 0)
            return false;
        if (!string.isValid())
            throw CQVRBadArgException(QVR_T("string"), QVR_T("can't insert an invalid string"), kThisFile, __LINE__);
        uint32_t ulLength = getLength();
        if (ulPos > ulLength)
            throw CQVRBadArgException(QVR_T("ulPos"), QVR_T("position is out of string bounds"), kThisFile, __LINE__);
        return editBuild(
            *this, {{m_pBuffer, ulPos}, {string.m_pBuffer, string.getLength()}, {m_pBuffer + ulPos, ulLength - ulPos}});
    });
}

bool CQVRWCharString::removeString(const CQVRWCharString& subString, uint32_t ulOccurrance, SubStringMode subStringMode)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!isValid() || !subString.isValid() || subString.getLength() == 0)
            return false;
        SubStringMatcher matcher(subString);
        uint32_t ulCount = matcher.countIn(*this);
        if (ulCount == 0)
            return false;
        uint32_t ulRemovals = 1;
        uint32_t ulWhich = 1;
        editModeSteps(subStringMode, ulOccurrance, ulCount, kEditNotEnoughStrings, ulRemovals, ulWhich);
        // Overlapping matches vanish with their neighbours, and joined
        // pieces may make new ones: each removal takes the occurrence that is
        // there by then, and a missing one ends the removals.
        EditSubstitution removal(matcher, nullptr, 0);
        if (removal.run(*this, ulWhich, 0, ulRemovals, getLength()) == 0)
            return true;
        const EditStack<unsigned short>& units = removal.result();
        return editBuild(*this, {{units.data(), units.size()}});
    });
}

bool CQVRWCharString::replace(const CQVRWCharString& oldString, const CQVRWCharString& newString, uint32_t ulOccurrance,
                              SubStringMode subStringMode)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!isValid())
            return false;
        if (!oldString.isValid())
            throw CQVRBadArgException(QVR_T("oldString"), QVR_T("string is invalid"), kThisFile, __LINE__);
        if (oldString.getLength() == 0)
            return false;
        // Either argument may be this string itself: nothing is changed
        // before the new text is complete.
        SubStringMatcher matcher(oldString);
        uint32_t ulCount = matcher.countIn(*this);
        if (ulCount == 0)
            return false;
        uint32_t ulSteps = 1;
        uint32_t ulFirst = 1;
        editModeSteps(subStringMode, ulOccurrance, ulCount, QVR_T("occurrance is out of bounds"), ulSteps, ulFirst);
        // Copies of oldString inside newString are stepped over, so that what
        // was put in is not replaced again.
        uint32_t ulAdvance = matcher.countIn(newString);
        EditSubstitution substitution(matcher, newString.getBuffer(), newString.getLength());
        // Room for every step, if none of them makes or breaks a match.
        uint64_t ullExpected = getLength();
        uint32_t ulNewLength = newString.getLength();
        if (ulNewLength > matcher.length())
            ullExpected += static_cast<uint64_t>(ulSteps) * (ulNewLength - matcher.length());
        uint32_t ulDone = substitution.run(*this, ulFirst, ulAdvance, ulSteps, ullExpected);
        if (ulDone > 0) {
            const EditStack<unsigned short>& units = substitution.result();
            if (!editBuild(*this, {{units.data(), units.size()}}))
                return false;
        }
        // Every match counts, overlapping ones too; in ssmAll mode the ones
        // that overlapped a replaced match are simply gone.
        return ulDone == ulSteps || subStringMode == ssmAll;
    });
}

// --- whitespace -------------------------------------------------------------

// The trailing pass only writes zeros, so a text made only of trimmed
// characters keeps its array with length 0.
bool CQVRWCharString::trim(WCHAR ch, CQVRFlags sides, CQVRFlags characters)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!isValid())
            return false;
        unsigned short usCh = static_cast<unsigned short>(ch);
        uint32_t ulSides = sides.getFlags();
        uint32_t ulCharacters = characters.getFlags();
        if ((ulSides & kEditTrailingEnd) != 0) {
            uint32_t ulLength = getLength();
            while (ulLength > 0 &&
                   (m_pBuffer[ulLength - 1] == usCh || editIsSelected(m_pBuffer[ulLength - 1], ulCharacters))) {
                --ulLength;
                m_pBuffer[ulLength] = 0;
            }
        }
        if ((ulSides & kEditLeadingEnd) != 0) {
            uint32_t ulLength = getLength();
            uint32_t ulLead = 0;
            while (ulLead < ulLength && (m_pBuffer[ulLead] == usCh || editIsSelected(m_pBuffer[ulLead], ulCharacters)))
                ++ulLead;
            if (ulLead > 0)
                cutLeft(ulLead);
        }
        return true;
    });
}

bool CQVRWCharString::skipCharacters(CQVRFlags characters, ParseMode parseMode, uint32_t& ulPos) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!isValid())
            return false;
        uint32_t ulCharacters = characters.getFlags();
        uint32_t ulLength = getLength();
        if (parseMode == pmForward) {
            for (uint32_t i = 0; i < ulLength; ++i) {
                if (!editIsSelected(m_pBuffer[i], ulCharacters)) {
                    ulPos = i;
                    return true;
                }
            }
        } else if (parseMode == pmBackward) {
            for (uint32_t i = ulLength; i > 0; --i) {
                if (!editIsSelected(m_pBuffer[i - 1], ulCharacters)) {
                    ulPos = i - 1;
                    return true;
                }
            }
        }
        return false;
    });
}

// A text made only of selected characters is one run that is both leading
// and trailing: either chosen end removes all of it.
bool CQVRWCharString::removeCharacters(CQVRFlags sides, CQVRFlags characters)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        uint32_t ulSides = sides.getFlags();
        uint32_t ulCharacters = characters.getFlags();
        if (!isValid() || ulSides == 0 || ulCharacters == 0)
            return true;
        bool bLeading = (ulSides & kEditLeadingEnd) != 0;
        bool bTrailing = (ulSides & kEditTrailingEnd) != 0;
        uint32_t ulLength = getLength();
        uint32_t ulFirst = 0;
        while (ulFirst < ulLength && editIsSelected(m_pBuffer[ulFirst], ulCharacters))
            ++ulFirst;
        if (ulFirst == ulLength) {
            if (bLeading || bTrailing)
                return editBuild(*this, {});
            return true;
        }
        uint32_t ulPastLast = ulLength;
        while (editIsSelected(m_pBuffer[ulPastLast - 1], ulCharacters))
            --ulPastLast;
        CQVRBuffer<unsigned short> middle(ulPastLast - ulFirst);
        uint32_t ulMiddle = 0;
        for (uint32_t i = ulFirst; i < ulPastLast; ++i) {
            if (!(bLeading && bTrailing) || !editIsSelected(m_pBuffer[i], ulCharacters))
                middle.getBuffer()[ulMiddle++] = m_pBuffer[i];
        }
        return editBuild(*this, {{m_pBuffer, bLeading ? 0 : ulFirst},
                                 {middle.getBuffer(), ulMiddle},
                                 {m_pBuffer + ulPastLast, bTrailing ? 0 : ulLength - ulPastLast}});
    });
}

// --- fields -----------------------------------------------------------------

bool CQVRWCharString::getToken(CQVRWCharString& out, const CQVRWCharString& delimiter, uint32_t ulOccurrance,
                               TokenMode mode, CQVRFlags sides, CQVRFlags characters) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!isValid() || !delimiter.isValid())
            return false;
        if (ulOccurrance == 0)
            throw CQVRBadArgException(kArgOccurrance, QVR_T("ulOccurrance must be greater than 0"), kThisFile,
                                      __LINE__);
        uint32_t ulDelimiters = countOf(delimiter);
        CQVRWCharString field;
        if (ulDelimiters == 0) {
            if (ulOccurrance != 1 || !editCopy(field, *this))
                return false;
        } else {
            if (ulDelimiters < ulOccurrance - 1)
                return false;
            uint32_t ulFromEnd = 0;
            if (mode == tmSeparated) {
                bool bOk;
                if (ulOccurrance == 1)
                    bOk = extractPart(field, delimiter, 1, pmForward, false);
                else if (ulOccurrance == ulDelimiters + 1)
                    bOk = extractPart(field, delimiter, 1, pmBackward, false);
                else
                    bOk = convertOccurrence(delimiter, ulOccurrance, pmForward, ulFromEnd) &&
                          extractBetween(field, delimiter, ulOccurrance - 1, delimiter, ulFromEnd, false, false);
                if (!bOk)
                    return false;
            } else if (mode == tmEnclosed) {
                if (ulOccurrance >= ulDelimiters)
                    return false;
                if (!convertOccurrence(delimiter, ulOccurrance + 1, pmForward, ulFromEnd) ||
                    !extractBetween(field, delimiter, ulOccurrance, delimiter, ulFromEnd, false, false))
                    return false;
            } else {
                return false;
            }
        }
        if (!field.removeCharacters(sides, characters))
            return false;
        return editCopy(out, field);
    });
}

bool CQVRWCharString::split(CQVRDblList<CQVRObjNode<CQVRWCharString>>& list, const CQVRWCharString& delimiter,
                            TokenMode mode, CQVRFlags sides, CQVRFlags characters) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!isValid() || !delimiter.isValid())
            return false;
        list.removeAll();
        if (mode != tmSeparated && mode != tmEnclosed)
            return false;
        uint32_t ulStep = mode == tmSeparated ? 1 : 2;
        for (uint32_t n = 1; n <= 0xFFFFFFFFu - ulStep; n += ulStep) {
            CQVRWCharString field;
            if (!getToken(field, delimiter, n, mode, sides, characters))
                break;
            uint32_t ulKey = mode == tmSeparated ? n - 1 : (n - 1) / 2;
            if (!list.add(field, ulKey)) {
                list.removeAll();
                break;
            }
        }
        return list.getCount() > 0;
    });
}

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
    out = result;
    return out.getLength() == ulPrefix + ulWidth;
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
        out = result;
        return out.getLength() == 12 - ulNext;
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
