// The occurrences of a substring in a text, found in one scan: the string's
// search and its substring editing share it. Internal to the string's
// sources.
#ifndef QVR_SUBSTRING_MATCHER_H
#define QVR_SUBSTRING_MATCHER_H

#include "core/qvr_wchar_string.h"

#include <cstdint>

// Knuth-Morris-Pratt, so that a text is read once whatever the substring
// repeats.
class QVRSubStringMatcher {
public:
    // subString is valid and not empty.
    explicit QVRSubStringMatcher(const CQVRWCharString& subString)
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

#endif
