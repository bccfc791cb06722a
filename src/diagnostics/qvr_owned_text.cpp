// A record's owned text. A text that cannot be copied leaves the field null,
// and the entry is written without it.
#include "diagnostics/qvr_owned_text.h"

#include <cstdint>
#include <new>

// Texts of this length or more are refused, so that a length with bit 30 set
// can never reach an allocation.
static const uint32_t kTooLong = 0x40000000u;

CQVROwnedText& CQVROwnedText::operator=(CQVROwnedText&& other) noexcept
{
    if (this != &other) {
        clear();
        m_szText = other.m_szText;
        other.m_szText = nullptr;
    }
    return *this;
}

bool CQVROwnedText::set(const WCHAR* szText)
{
    // The text may be this field's own: copy before freeing.
    WCHAR* szCopy = nullptr;
    if (szText != nullptr) {
        uint32_t ulLength = 0;
        while (szText[ulLength] != 0 && ulLength < kTooLong)
            ++ulLength;
        if (ulLength != 0 && ulLength < kTooLong) {
            szCopy = new (std::nothrow) WCHAR[ulLength + 1];
            if (szCopy != nullptr) {
                for (uint32_t i = 0; i < ulLength; ++i)
                    szCopy[i] = szText[i];
                szCopy[ulLength] = 0;
            }
        }
    }
    clear();
    m_szText = szCopy;
    return szCopy != nullptr;
}

void CQVROwnedText::clear()
{
    delete[] m_szText;
    m_szText = nullptr;
}
