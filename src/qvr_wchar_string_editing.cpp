// The string's editing operations: cutting, deleting and extracting by
// position, extracting by delimiter, inserting, removing and replacing
// substrings, whitespace stripping and splitting into fields.
#include "qvr_wchar_string.h"

#include "qvr_bad_arg_exception.h"
#include "qvr_dbllist.h"
#include "qvr_guard.h"
#include "qvr_mem_alloc_exception.h"
#include "qvr_obj_node.h"

#include <cstdint>
#include <initializer_list>

namespace {

const WCHAR* const kEditSourceFile = QVR_T("qvr_wchar_string.cpp");

const WCHAR* const kEditArgOccurrance = QVR_T("ulOccurrance");
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
        throw CQVRMemAllocException(QVR_T("m_pBuffer"), kEditSourceFile, __LINE__);
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

}  // namespace

// --- cutting ----------------------------------------------------------------

bool CQVRWCharString::getCutRight(CQVRWCharString& out, uint32_t n) const
{
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!isValid())
            return false;
        uint32_t ulLength = getLength();
        if (ulStartPos >= ulLength)
            throw CQVRBadArgException(kEditArgStartPos, kEditStartPastEnd, kEditSourceFile, __LINE__);
        if (ulEndPos >= ulLength)
            throw CQVRBadArgException(QVR_T("ulEndPos"), QVR_T("end position is past the end of the string"),
                                      kEditSourceFile, __LINE__);
        if (ulStartPos == ulEndPos)
            throw CQVRBadArgException(QVR_T("ulEndPos & ulStartPos"), QVR_T("start and end positions can't be equal"),
                                      kEditSourceFile, __LINE__);
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (ulEndPos < ulStartPos)
            throw CQVRBadArgException(kEditArgStartPos,
                                      QVR_T("start position can't be greater than end position - use "
                                            "extractOutside( ) or deleteRange( ) instead"),
                                      kEditSourceFile, __LINE__);
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
            throw CQVRBadArgException(kEditArgStartPos, kEditStartPastEnd, kEditSourceFile, __LINE__);
        return editBuild(out, {{m_pBuffer + ulStartPos, 1}});
    });
}

// --- by delimiter -----------------------------------------------------------

bool CQVRWCharString::extractBetween(CQVRWCharString& out, const CQVRWCharString& startString,
                                     uint32_t ulStartOccurrance, const CQVRWCharString& endString,
                                     uint32_t ulEndOccurrance, bool bIncludeStart, bool bIncludeEnd) const
{
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!isValid() && ulPos != 0)
            return false;
        if (!string.isValid())
            throw CQVRBadArgException(QVR_T("string"), QVR_T("can't insert an invalid string"), kEditSourceFile,
                                      __LINE__);
        uint32_t ulLength = getLength();
        if (ulPos > ulLength)
            throw CQVRBadArgException(QVR_T("ulPos"), QVR_T("position is out of string bounds"), kEditSourceFile,
                                      __LINE__);
        return editBuild(
            *this, {{m_pBuffer, ulPos}, {string.m_pBuffer, string.getLength()}, {m_pBuffer + ulPos, ulLength - ulPos}});
    });
}

bool CQVRWCharString::removeString(const CQVRWCharString& subString, uint32_t ulOccurrance, SubStringMode subStringMode)
{
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!isValid())
            return false;
        // The substring may be this string itself, which the removals change.
        CQVRWCharString sub(subString);
        uint32_t ulCount = countOf(sub);
        if (ulCount == 0)
            return false;
        uint32_t ulRemovals = 1;
        uint32_t ulWhich = 1;
        switch (subStringMode) {
        case ssmAll:
            ulRemovals = ulCount;
            break;
        case ssmOccur:
            if (ulOccurrance == 0)
                throw CQVRBadArgException(kEditArgOccurrance,
                                          QVR_T("ssmOccur mode requires ulOccurrance to be greater than 0"),
                                          kEditSourceFile, __LINE__);
            if (ulOccurrance > ulCount)
                throw CQVRBadArgException(kEditArgOccurrance, kEditNotEnoughStrings, kEditSourceFile, __LINE__);
            ulWhich = ulOccurrance;
            break;
        case ssmNum:
            if (ulOccurrance == 0)
                throw CQVRBadArgException(kEditArgOccurrance,
                                          QVR_T("ssmNum mode requires ulOccurrance to be greater than 0"),
                                          kEditSourceFile, __LINE__);
            if (ulOccurrance > ulCount)
                throw CQVRBadArgException(kEditArgOccurrance, kEditNotEnoughStrings, kEditSourceFile, __LINE__);
            ulRemovals = ulOccurrance;
            break;
        default:
            throw CQVRBadArgException(kEditArgSubStringMode, kEditInvalidMode, kEditSourceFile, __LINE__);
        }
        uint32_t ulSubLength = sub.getLength();
        for (uint32_t i = 0; i < ulRemovals; ++i) {
            uint32_t ulPos = 0;
            // Overlapping matches vanish with their neighbours; once the
            // wanted one is gone, so are all later ones.
            if (!isValid() || ulWhich > getLength() || !find(sub, ulWhich, pmForward, ulPos))
                break;
            uint32_t ulLength = getLength();
            uint32_t ulAfter = ulPos + ulSubLength;
            if (!editBuild(*this, {{m_pBuffer, ulPos}, {m_pBuffer + ulAfter, ulLength - ulAfter}}))
                return false;
        }
        return true;
    });
}

bool CQVRWCharString::replace(const CQVRWCharString& oldString, const CQVRWCharString& newString, uint32_t ulOccurrance,
                              SubStringMode subStringMode)
{
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!isValid())
            return false;
        if (!oldString.isValid())
            throw CQVRBadArgException(QVR_T("oldString"), QVR_T("string is invalid"), kEditSourceFile, __LINE__);
        // Either argument may be this string itself, which the steps change.
        CQVRWCharString oldCopy(oldString);
        CQVRWCharString newCopy(newString);
        uint32_t ulCount = countOf(oldCopy);
        if (ulCount == 0)
            return false;
        uint32_t ulSteps = 1;
        uint64_t ullWhich = 1;
        switch (subStringMode) {
        case ssmAll:
            ulSteps = ulCount;
            break;
        case ssmOccur:
            if (ulOccurrance == 0)
                throw CQVRBadArgException(kEditArgOccurrance,
                                          QVR_T("ssmOccur mode requires ulOccurrance to be greater than 0"),
                                          kEditSourceFile, __LINE__);
            if (ulOccurrance > ulCount)
                throw CQVRBadArgException(kEditArgOccurrance, QVR_T("occurrance is out of bounds"), kEditSourceFile,
                                          __LINE__);
            ullWhich = ulOccurrance;
            break;
        case ssmNum:
            if (ulOccurrance == 0)
                throw CQVRBadArgException(kEditArgOccurrance,
                                          QVR_T("ssmNum mode requires ulOccurrance to be greater than 0"),
                                          kEditSourceFile, __LINE__);
            if (ulOccurrance > ulCount)
                throw CQVRBadArgException(kEditArgOccurrance, kEditNotEnoughStrings, kEditSourceFile, __LINE__);
            ulSteps = ulOccurrance;
            break;
        default:
            throw CQVRBadArgException(kEditArgSubStringMode, kEditInvalidMode, kEditSourceFile, __LINE__);
        }
        // Copies of oldString inside newString are stepped over, so that what
        // was put in is not replaced again.
        uint32_t ulAdvance = newCopy.countOf(oldCopy);
        for (uint32_t i = 0; i < ulSteps; ++i) {
            uint32_t ulPos = 0;
            bool bFound = isValid() && ullWhich <= getLength() &&
                          find(oldCopy, static_cast<uint32_t>(ullWhich), pmForward, ulPos);
            if (!bFound) {
                // Every match counts, overlapping ones too; in ssmAll mode the
                // ones that overlapped a replaced match are simply gone.
                return subStringMode == ssmAll;
            }
            if (!removeString(oldCopy, static_cast<uint32_t>(ullWhich), ssmOccur))
                return false;
            if (newCopy.isValid() && !insert(newCopy, ulPos))
                return false;
            ullWhich += ulAdvance;
        }
        return true;
    });
}

// --- whitespace -------------------------------------------------------------

// The trailing pass only writes zeros, so a text made only of trimmed
// characters keeps its array with length 0.
bool CQVRWCharString::trim(WCHAR ch, CQVRFlags sides, CQVRFlags characters)
{
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
        if (!isValid() || !delimiter.isValid())
            return false;
        if (ulOccurrance == 0)
            throw CQVRBadArgException(kEditArgOccurrance, QVR_T("ulOccurrance must be greater than 0"), kEditSourceFile,
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
    return qvrGuard(false, kEditSourceFile, __LINE__, QVRErrorSource::Errno, [&]() -> bool {
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
