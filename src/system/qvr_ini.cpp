// Profile (INI) files.
#include "system/qvr_ini.h"

#include "diagnostics/entries/qvr_buffer_init_exception.h"
#include "diagnostics/entries/qvr_write_private_profile_section_exception.h"
#include "diagnostics/entries/qvr_write_private_profile_string_exception.h"
#include "diagnostics/qvr_log_exception1.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRIni"), QVR_T("qvr_ini.cpp"), QVRErrorSource::LastError};

static const DWORD kStringChars = 1024;
static const DWORD kListChars = 0x7FFF;
// What a missing entry reads as; an entry holding this text reads as missing.
static const WCHAR* const kNotFound = QVR_T("Not Found");

// A read whose buffer cannot be had is an unhandled failure of the read: it
// is written as such, beside the buffer's own entries.
template <class Body> static bool readGuarded(uint32_t ulLine, Body&& body)
{
    try {
        return body();
    } catch (CQVRBufferInitException&) {
        qvrLogUnhandled(QVRErrorSource::LastError, kThisFile, ulLine);
        return false;
    }
}

CQVRIni::CQVRIni(const CQVRWCharString& fileName)
{
    qvrTraced(kThisFile, QVR_T("CQVRIni"), __LINE__, rkPassFail, [&] {
        m_strFileName = fileName;
        return m_strFileName == fileName;
    });
}

CQVRIni::~CQVRIni() { qvrTracedPass(kThisFile, QVR_T("~CQVRIni"), __LINE__); }

bool CQVRIni::createProfileSection(const CQVRWCharString& section)
{
    return qvrTraced(kThisFile, QVR_T("createProfileSection"), __LINE__, rkPassFail, [&]() -> bool {
        // Writing a section without lines removes the lines it has: a section
        // that holds any is there already and keeps them.
        WCHAR szProbe[4] = {};
        if (GetPrivateProfileSectionW(section.getText(), szProbe, 4, m_strFileName.getText()) != 0)
            return true;
        // The profile functions take a section without lines for one to
        // remove, so it is made with one placeholder line that then goes; the
        // section has no lines of its own to collide with it.
        static const WCHAR kPlaceholder[] = QVR_T("QVRNewSection");
        static const WCHAR kPlaceholderLines[] = QVR_T("QVRNewSection=\0");
        if (!WritePrivateProfileSectionW(section.getText(), kPlaceholderLines, m_strFileName.getText()) ||
            !WritePrivateProfileStringW(section.getText(), kPlaceholder, nullptr, m_strFileName.getText()))
            throw CQVRWritePrivateProfileSectionException(section.getText(), GetLastError(), kThisFile, __LINE__);
        return true;
    });
}

bool CQVRIni::getProfileInt(const CQVRWCharString& section, const CQVRWCharString& key, int32_t& lValue)
{
    return qvrTraced(kThisFile, QVR_T("getProfileInt"), __LINE__, rkPassFail, [&]() -> bool {
        const int32_t lRead =
            static_cast<int32_t>(GetPrivateProfileIntW(section.getText(), key.getText(), -1, m_strFileName.getText()));
        if (lRead == -1)
            throw CQVRLogException1(QVR_T("GetPrivateProfileInt( ) failed."), GetLastError(), kThisFile, __LINE__);
        lValue = lRead;
        return true;
    });
}

bool CQVRIni::getProfileString(const CQVRWCharString& section, const CQVRWCharString& key, CQVRWCharString& value)
{
    return qvrTraced(kThisFile, QVR_T("getProfileString"), __LINE__, rkPassFail, [&] {
        return readGuarded(__LINE__, [&]() -> bool {
            CQVRBuffer<unsigned short> text(kStringChars);
            const DWORD ulRead =
                GetPrivateProfileStringW(section.getText(), key.getText(), kNotFound, qvrWide(text.getBuffer()),
                                         kStringChars, m_strFileName.getText());
            // size - 1 is a cut text, size - 2 a cut list of names.
            if (ulRead == 0 || ulRead == kStringChars - 1 || ulRead == kStringChars - 2)
                return false;
            const CQVRWCharString read(text);
            if (read == CQVRWCharString(kNotFound))
                return false;
            value = read;
            return true;
        });
    });
}

bool CQVRIni::getProfileSection(const CQVRWCharString& section, CQVRStringList& lines)
{
    bool bTooLong = false;
    return readList(QVR_T("getProfileSection"), &section, lines, bTooLong);
}

bool CQVRIni::getProfileSection(const CQVRWCharString& section, CQVRStringList& lines, bool& bTooLong)
{
    return readList(QVR_T("getProfileSection"), &section, lines, bTooLong);
}

bool CQVRIni::getProfileSectionNames(CQVRStringList& names)
{
    bool bTooLong = false;
    return readList(QVR_T("getProfileSectionNames"), nullptr, names, bTooLong);
}

bool CQVRIni::readList(const WCHAR* szMethod, const CQVRWCharString* pSection, CQVRStringList& strings, bool& bTooLong)
{
    bTooLong = false;
    return qvrTraced(kThisFile, szMethod, __LINE__, rkPassFail, [&] {
        return readGuarded(__LINE__, [&]() -> bool {
            CQVRBuffer<unsigned short> buffer(kListChars);
            WCHAR* szBuffer = qvrWide(buffer.getBuffer());
            const DWORD ulRead =
                pSection != nullptr
                    ? GetPrivateProfileSectionW(pSection->getText(), szBuffer, kListChars, m_strFileName.getText())
                    : GetPrivateProfileSectionNamesW(szBuffer, kListChars, m_strFileName.getText());
            bTooLong = ulRead == kListChars - 2;
            if (ulRead == 0 || bTooLong)
                return false;
            strings.removeAll();
            const unsigned short* p = buffer.getBuffer();
            uint32_t ulStart = 0;
            for (uint32_t i = 0; i < ulRead; ++i) {
                if (p[i] != 0)
                    continue;
                // The string with its terminator.
                const CQVRWCharString text(CQVRBuffer<unsigned short>(p + ulStart, i + 1 - ulStart, 0));
                if (text.getLength() != 0)
                    strings.add(text, 0);
                ulStart = i + 1;
            }
            return strings.getCount() != 0;
        });
    });
}

bool CQVRIni::setProfileInt(const CQVRWCharString& section, const CQVRWCharString& key, int32_t lValue)
{
    return qvrTraced(kThisFile, QVR_T("setProfileInt"), __LINE__, rkPassFail, [&]() -> bool {
        CQVRWCharString text;
        return CQVRWCharString::toDecimalString(text, lValue) && setProfileString(section, key, text);
    });
}

bool CQVRIni::setProfileString(const CQVRWCharString& section, const CQVRWCharString& key, const CQVRWCharString& value)
{
    return qvrTraced(kThisFile, QVR_T("setProfileString"), __LINE__, rkPassFail, [&]() -> bool {
        if (!WritePrivateProfileStringW(section.getText(), key.getText(), value.getText(), m_strFileName.getText()))
            throw CQVRWritePrivateProfileStringException(section.getText(), key.getText(), GetLastError(), kThisFile,
                                                         __LINE__);
        return true;
    });
}
