// The library's string: UTF-16 code units in a buffer, ended by a zero
// element. The empty string holds no array at all.
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
    CQVRWCharString& operator+=(const CQVRWCharString& other);
    CQVRWCharString operator+(const CQVRWCharString& other) const;

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
};

// to = from, whole: the assignment logs running out of memory but cannot
// report it, and part of a text must not pass for all of it. Throws
// std::bad_alloc, which the caller's guard turns into its failure.
void qvrCopyWhole(CQVRWCharString& to, const CQVRWCharString& from);

#endif
