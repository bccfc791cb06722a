// A log record's text field: one pointer that owns its zero-terminated copy.
// An unset, empty or over-long text is no text at all (null).
#ifndef QVR_OWNED_TEXT_H
#define QVR_OWNED_TEXT_H

#include "qvr_platform.h"

class CQVROwnedText {
public:
    CQVROwnedText() : m_szText(nullptr) {}
    CQVROwnedText(const CQVROwnedText& other) : m_szText(nullptr) { set(other.m_szText); }
    CQVROwnedText(CQVROwnedText&& other) noexcept : m_szText(other.m_szText) { other.m_szText = nullptr; }
    CQVROwnedText& operator=(const CQVROwnedText& other)
    {
        if (&other != this)
            set(other.m_szText);
        return *this;
    }
    CQVROwnedText& operator=(CQVROwnedText&& other) noexcept;
    ~CQVROwnedText() { clear(); }

    // Replaces the text with a fresh copy of szText (which may be this
    // field's own). A null or empty text, or one of 0x40000000 characters or
    // more, leaves the field null and gives false; so does a failed copy.
    bool set(const WCHAR* szText);
    void clear();

    // The text, or null; the field reads like the pointer it is.
    const WCHAR* get() const { return m_szText; }
    operator const WCHAR*() const { return m_szText; }

private:
    WCHAR* m_szText;
};

#endif
