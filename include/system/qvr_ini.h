// Typed access to one profile (INI) file through the platform's profile
// functions, which own the file and its format. Reads use fixed buffers
// (1,024 characters for an entry, 32,767 for a section or the section names)
// and fail rather than return a cut text.
#ifndef QVR_INI_H
#define QVR_INI_H

#include "core/qvr_string_list.h"
#include "core/qvr_wchar_string.h"

#include <cstdint>

class CQVRIni {
public:
    explicit CQVRIni(const CQVRWCharString& fileName);
    virtual ~CQVRIni();

    // An empty section, entry name or text reaches the platform as null, with
    // its meaning there: an empty entry name removes the section, an empty
    // text the entry.
    // A section that holds lines keeps them.
    virtual bool createProfileSection(const CQVRWCharString& section);
    // False for a missing entry and for one that reads as -1; lValue is then
    // untouched.
    virtual bool getProfileInt(const CQVRWCharString& section, const CQVRWCharString& key, int32_t& lValue);
    // The section's lines ("name=text"), in file order; false (list
    // untouched) for a missing or empty section and for one too long to read.
    virtual bool getProfileSection(const CQVRWCharString& section, CQVRStringList& lines);
    virtual bool getProfileSectionNames(CQVRStringList& names);
    // False for a missing entry, an empty text, the text "Not Found" and a
    // text too long to read whole.
    virtual bool getProfileString(const CQVRWCharString& section, const CQVRWCharString& key, CQVRWCharString& value);
    virtual bool setProfileInt(const CQVRWCharString& section, const CQVRWCharString& key, int32_t lValue);
    virtual bool setProfileString(const CQVRWCharString& section, const CQVRWCharString& key,
                                  const CQVRWCharString& value);

    // As getProfileSection, also telling whether a false result came from a
    // section too long for the buffer.
    bool getProfileSection(const CQVRWCharString& section, CQVRStringList& lines, bool& bTooLong);

    CQVRWCharString m_strFileName;

private:
    // A zero-separated list from the platform into strings; section null
    // asks for the section names.
    bool readList(const WCHAR* szMethod, const CQVRWCharString* pSection, CQVRStringList& strings, bool& bTooLong);
};

#endif
