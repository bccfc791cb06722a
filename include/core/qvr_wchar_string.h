// The library's string: UTF-16 code units in a buffer, ended by a zero
// element. The empty string holds no array at all.
//
// Whole or untouched: every operation that changes a string takes its whole
// result or leaves the string as it was. The result is built apart and
// swapped in last, so running out of memory part way never leaves a shorter
// text that names another file or key. The operators (=, +=) cannot say which
// of the two happened; where it matters (a path, a key name) use appendText,
// which does. The same holds for the terminator: whatever the string went
// through, its elements hold a zero after the text, so its element count is
// at least its length plus one while it holds an array; the buffer
// operations it has (allocate, resize, write, append, appendAt) keep one.
// (Only a write through operator[] over the terminator can undo it.)
#ifndef QVR_WCHAR_STRING_H
#define QVR_WCHAR_STRING_H

#include "core/qvr_buffer.h"
#include "core/qvr_flags.h"
#include "qvr_platform.h"

#include <cstdint>

template <class T> class CQVRObjNode;
template <class TNode> class CQVRDblList;

// The buffer's destructor is not virtual, the string's is: a class built on
// the string (the registry text file is its path) may be owned through it.
class CQVRWCharString : public CQVRBuffer<unsigned short> {
public:
    enum ParseMode { pmForward = 1, pmBackward = 2 };
    enum SubStringMode { ssmAll = 1, ssmOccur = 2, ssmNum = 4 };
    enum TokenMode { tmSeparated = 1, tmEnclosed = 2 };
    enum NumberSystem { nsHex = 1, nsBin = 2, nsOct = 4, nsDec = 8 };

    // --- construction and assignment ---
    CQVRWCharString();
    CQVRWCharString(const CQVRWCharString& other);
    virtual ~CQVRWCharString() = default;
    CQVRWCharString(const WCHAR* szText);
    CQVRWCharString(const char* szText);
    CQVRWCharString(WCHAR ch);
    CQVRWCharString(const CQVRBuffer<unsigned short>& buffer);
    explicit CQVRWCharString(int32_t lValue);
    CQVRWCharString(uint32_t ulValue, NumberSystem asNumberSystem, uint16_t usWidth, bool bPrefix);

    CQVRWCharString& operator=(const CQVRWCharString& other);
    CQVRWCharString& operator=(const WCHAR* szText);
    CQVRWCharString& operator=(WCHAR ch);
    CQVRWCharString& operator=(const CQVRBuffer<unsigned short>& buffer);
    CQVRWCharString& operator=(const CQVRBuffer<char>& buffer);

    // --- access ---
    uint32_t getLength() const;
    // The text, or null for the empty string.
    const WCHAR* getText() const { return qvrWide(m_pBuffer); }
    bool compact();

    // --- concatenation ---
    // Appends other's text whole; false, with the string as it was, when it
    // cannot (running out of memory).
    bool appendText(const CQVRWCharString& other);
    CQVRWCharString& operator+=(const CQVRWCharString& other);
    // The two texts whole, or the empty string.
    CQVRWCharString operator+(const CQVRWCharString& other) const;

    // --- the buffer's operations, kept whole and terminated ---
    bool allocate(uint32_t ulSize) override;
    // A size that would cut the terminator off gets one element more.
    bool resize(uint32_t ulSize) override;
    bool write(const CQVRBuffer<unsigned short>& buffer, uint32_t ulOffset, bool bGrow);
    bool append(const CQVRBuffer<unsigned short>& other);
    bool appendAt(const CQVRBuffer<unsigned short>& other, uint32_t ulOffset);

    // --- comparison, by code unit ---
    bool operator==(const CQVRWCharString& other) const;
    bool operator!=(const CQVRWCharString& other) const;
    bool operator<(const CQVRWCharString& other) const;
    bool operator<=(const CQVRWCharString& other) const;
    bool operator>(const CQVRWCharString& other) const;
    bool operator>=(const CQVRWCharString& other) const;

    // --- search ---
    bool find(const CQVRWCharString& subString, uint32_t ulOccurrance, ParseMode parseMode, uint32_t& ulPos) const;
    uint32_t countOf(const CQVRWCharString& subString) const;
    bool getOccurrence(const CQVRWCharString& subString, uint32_t ulPos, ParseMode parseMode,
                       uint32_t& ulOccurrance) const;
    bool contains(const CQVRWCharString& subString) const;
    bool beginsWith(const CQVRWCharString& subString) const;
    bool endsWith(const CQVRWCharString& subString) const;
    bool convertOccurrence(const CQVRWCharString& subString, uint32_t ulOccurrance, ParseMode parseMode,
                           uint32_t& ulResult) const;

    // --- character operations ---
    bool toLower();
    bool reverse();

    // --- cutting and editing ---
    bool getCutRight(CQVRWCharString& out, uint32_t n) const;
    bool getCutLeft(CQVRWCharString& out, uint32_t n) const;
    CQVRWCharString& cutRight(uint32_t n);
    CQVRWCharString& cutLeft(uint32_t n);
    bool deleteRange(uint32_t ulStartPos, uint32_t ulEndPos, bool bDeleteStart, bool bDeleteEnd);
    bool extractInside(CQVRWCharString& out, uint32_t ulStartPos, uint32_t ulEndPos, bool bIncludeStart,
                       bool bIncludeEnd) const;
    bool extractBetween(CQVRWCharString& out, const CQVRWCharString& startString, uint32_t ulStartOccurrance,
                        const CQVRWCharString& endString, uint32_t ulEndOccurrance, bool bIncludeStart,
                        bool bIncludeEnd) const;
    bool truncateAt(const CQVRWCharString& subString, uint32_t ulOccurrance, ParseMode parseMode, bool bExcludeMatch);
    bool extractPart(CQVRWCharString& out, const CQVRWCharString& subString, uint32_t ulOccurrance, ParseMode parseMode,
                     bool bIncludeMatch) const;
    bool insert(const CQVRWCharString& string, uint32_t ulPos);
    bool removeString(const CQVRWCharString& subString, uint32_t ulOccurrance, SubStringMode subStringMode);
    bool replace(const CQVRWCharString& oldString, const CQVRWCharString& newString, uint32_t ulOccurrance,
                 SubStringMode subStringMode);
    bool trim(WCHAR ch, CQVRFlags sides, CQVRFlags characters);
    bool skipCharacters(CQVRFlags characters, ParseMode parseMode, uint32_t& ulPos) const;
    bool removeCharacters(CQVRFlags sides, CQVRFlags characters);
    bool getToken(CQVRWCharString& out, const CQVRWCharString& delimiter, uint32_t ulOccurrance, TokenMode mode,
                  CQVRFlags sides, CQVRFlags characters) const;
    bool split(CQVRDblList<CQVRObjNode<CQVRWCharString>>& list, const CQVRWCharString& delimiter, TokenMode mode,
               CQVRFlags sides, CQVRFlags characters) const;

    // --- number systems ---
    bool isNumber(bool bAllowNegative, bool bAllowDecimal) const;
    bool isBinaryDigits() const;
    bool isOctalDigits() const;
    bool isHexDigits() const;
    bool isBinaryString() const;
    bool isOctalString() const;
    bool isHexString() const;
    bool stripNumberSystemMarker();
    bool hexToNumber(uint32_t& ulValue) const;
    bool octalToNumber(uint32_t& ulValue) const;
    bool binaryToNumber(uint32_t& ulValue) const;
    bool toNumber(uint32_t& ulValue, NumberSystem system) const;
    static bool toHexString(CQVRWCharString& out, uint32_t ulValue, uint16_t usWidth, bool bPrefix);
    static bool toBinaryString(CQVRWCharString& out, uint32_t ulValue, uint16_t usWidth, bool bPrefix);
    static bool toOctalString(CQVRWCharString& out, uint32_t ulValue, uint16_t usWidth, bool bPrefix);
    static bool toDecimalString(CQVRWCharString& out, int32_t lValue);

    // --- byte codes ---
    CQVRWCharString getAsciiCodeString() const;
    // One byte per three characters: two hexadecimal digits (read as toNumber
    // reads nsHex) and a separator, whatever it is. A pair that does not read
    // as hexadecimal gives the byte 0; a lone last character is dropped.
    CQVRBuffer<unsigned char> getBufferFromAsciiCodeString() const;

private:
    // The assignments with their outcome: false when something was raised,
    // which the constructors turn into their initialisation exception.
    bool assignString(const CQVRWCharString& other);
    bool assignText(const WCHAR* szText);
    bool assignCharacter(WCHAR ch);
    bool assignBuffer(const CQVRBuffer<unsigned short>& buffer);
    bool assignNarrow(const CQVRBuffer<char>& buffer);
    // Code-unit order: <0, 0 or >0; a string without an array comes first.
    int compare(const CQVRWCharString& other) const;
    // subString (of length ulSubLength) stands at ulPos.
    bool matchesAt(const CQVRWCharString& subString, uint32_t ulSubLength, uint32_t ulPos) const;
    // A buffer operation done on a copy, which ends with a terminator and is
    // then taken whole.
    template <class Operation> bool changeWhole(Operation operation);
};

// to = from, whole: the assignment logs running out of memory but cannot
// report it, and part of a text must not pass for all of it. Throws
// std::bad_alloc, which the caller's guard turns into its failure.
void qvrCopyWhole(CQVRWCharString& to, const CQVRWCharString& from);
// to += text for a path or a key name, in code that fails by exception:
// throws std::bad_alloc (to as it was) where appendText says no.
void qvrAppendWhole(CQVRWCharString& to, const CQVRWCharString& text);

#endif
