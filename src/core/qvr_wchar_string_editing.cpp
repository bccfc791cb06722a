// The library's string: editing by position and by substring, whitespace
// and fields.
#include "core/qvr_dbllist.h"
#include "core/qvr_obj_node.h"
#include "core/qvr_wchar_string.h"
#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/entries/qvr_mem_alloc_exception.h"
#include "qvr_substring_matcher.h"
#include "qvr_wchar_string_site.h"

#include <cstdint>
#include <initializer_list>

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
    out.swap(result);
    return true;
}

// out becomes all of source's elements.
bool editCopy(CQVRWCharString& out, const CQVRWCharString& source)
{
    CQVRWCharString copy(source);
    out.swap(copy);
    return true;
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
    EditSubstitution(const QVRSubStringMatcher& matcher, const unsigned short* pNewUnits, uint32_t ulNewLength)
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
    const QVRSubStringMatcher& m_matcher;
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
        QVRSubStringMatcher matcher(subString);
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
        QVRSubStringMatcher matcher(oldString);
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
