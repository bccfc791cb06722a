// The registry text file: export of a key tree, import of a file.
#include "registry/qvr_registry_file.h"

#include "core/qvr_flags.h"
#include "core/qvr_scoped_handle.h"
#include "core/qvr_string_list.h"
#include "diagnostics/entries/qvr_reg_section_not_imported_warning.h"
#include "diagnostics/entries/qvr_reg_value_not_exported_warning.h"
#include "diagnostics/entries/qvr_write_private_profile_string_exception.h"
#include "qvr_guard.h"
#include "registry/qvr_registry_binary.h"
#include "registry/qvr_registry_dword.h"
#include "registry/qvr_registry_key.h"
#include "registry/qvr_registry_multi_string.h"
#include "registry/qvr_registry_string.h"
#include "registry/qvr_registry_string_expand.h"
#include "system/qvr_directory.h"
#include "system/qvr_ini.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRRegistryFile"), QVR_T("qvr_registry_file.cpp"),
                                        QVRErrorSource::LastError};

namespace {

const WCHAR* const kBackslash = QVR_T("\\");
const WCHAR* const kQuote = QVR_T("\"");
// The entry name of a key's unnamed (default) value, as registry exports
// commonly write it.
const WCHAR* const kDefaultValueName = QVR_T("@");

const WCHAR* const kTagDword = QVR_T("REG_DWORD");
const WCHAR* const kTagString = QVR_T("REG_SZ");
const WCHAR* const kTagBinary = QVR_T("REG_BINARY");
const WCHAR* const kTagMultiString = QVR_T("REG_SZ_MULTI");
const WCHAR* const kTagExpandString = QVR_T("REG_SZ_EXPAND");

// Keys are created and values written by an import with read and write
// access (KEY_READ | KEY_WRITE).
const REGSAM kImportAccess = 0x2001F;

struct RootName {
    HKEY hRoot;
    const WCHAR* szName;
};
const RootName kRoots[] = {
    {HKEY_LOCAL_MACHINE, QVR_T("HKEY_LOCAL_MACHINE")},   {HKEY_CURRENT_USER, QVR_T("HKEY_CURRENT_USER")},
    {HKEY_CLASSES_ROOT, QVR_T("HKEY_CLASSES_ROOT")},     {HKEY_USERS, QVR_T("HKEY_USERS")},
    {HKEY_CURRENT_CONFIG, QVR_T("HKEY_CURRENT_CONFIG")},
};

CQVRWCharString joined(const CQVRWCharString& a, const WCHAR* szB, const CQVRWCharString& c)
{
    CQVRWCharString text;
    qvrCopyWhole(text, a);
    qvrAppendWhole(text, CQVRWCharString(szB));
    qvrAppendWhole(text, c);
    return text;
}

// The section of a key: the root's name, a backslash and the path (one
// backslash only, when the path starts with one). An unknown root is written
// as the current user's.
CQVRWCharString sectionName(HKEY hRoot, const CQVRWCharString& keyPath)
{
    const WCHAR* szRoot = QVR_T("HKEY_CURRENT_USER");
    for (const RootName& root : kRoots)
        if (root.hRoot == hRoot)
            szRoot = root.szName;
    CQVRWCharString section(szRoot);
    if (!keyPath.beginsWith(kBackslash))
        qvrAppendWhole(section, CQVRWCharString(kBackslash));
    qvrAppendWhole(section, keyPath);
    return section;
}

// The byte codes of data taken as UTF-16 units ("01 02 03" is "01 02 03 00"):
// a string over exactly those units, zeros included.
CQVRWCharString byteCodesOfUnits(const CQVRBuffer<unsigned char>& data)
{
    CQVRWCharString units;
    static_cast<CQVRBuffer<unsigned short>&>(units) = data.toWideBuffer();
    return units.getAsciiCodeString();
}

// The entry texts by type.
CQVRWCharString entryText(const CQVRRegistryDwordValue& pair)
{
    CQVRWCharString number;
    CQVRWCharString::toHexString(number, pair.m_ulValue, 8, true);
    return joined(CQVRWCharString(kTagDword), QVR_T(":"), number);
}

CQVRWCharString quotedEntryText(const WCHAR* szTag, const CQVRRegistryStringValue& pair)
{
    return joined(joined(CQVRWCharString(szTag), QVR_T(":\""), pair.m_strValue), kQuote, CQVRWCharString());
}

CQVRWCharString entryText(const CQVRRegistryMultiStringValue& pair)
{
    const CQVRWCharString prefix = joined(CQVRWCharString(kTagMultiString), QVR_T(":"), CQVRWCharString());
    CQVRWCharString text = prefix;
    CQVRStringList strings = pair.m_lstValue;
    for (bool bMore = strings.moveFirst(); bMore; bMore = strings.moveNext()) {
        CQVRWCharString* pString = nullptr;
        if (!strings.getCurrent(pString))
            continue;
        if (!text.endsWith(prefix))
            qvrAppendWhole(text, CQVRWCharString(QVR_T(",")));
        qvrAppendWhole(text, pString->getAsciiCodeString());
    }
    return text;
}

CQVRWCharString entryText(const CQVRRegistryBinaryValue& pair)
{
    return joined(CQVRWCharString(kTagBinary), QVR_T(":"), byteCodesOfUnits(pair.m_Data));
}

// Every text round-trips through a UTF-16 profile file, where an ANSI one
// would turn what its code page lacks into "?": a new file starts as
// UTF-16, with its byte-order mark. False, with the Win32 error, when it
// cannot.
bool startUnicodeFile(const CQVRWCharString& fileName, DWORD& ulError)
{
    if (GetFileAttributesW(fileName.getText()) != INVALID_FILE_ATTRIBUTES)
        return true;
    CQVRScopedFile file;
    file.reset(CreateFileW(fileName.getText(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    static const BYTE kByteOrderMark[2] = {0xFF, 0xFE};
    DWORD ulWritten = 0;
    if (file.isValid() && WriteFile(file, kByteOrderMark, sizeof(kByteOrderMark), &ulWritten, nullptr) &&
        ulWritten == sizeof(kByteOrderMark))
        return true;
    // Taken before the handle closes. A file left without its mark would be
    // taken for an ANSI one by the next entry: it goes again.
    ulError = GetLastError();
    if (file.isValid()) {
        file.close();
        DeleteFileW(fileName.getText());
    }
    return false;
}

// One entry, through a profile file object of its own, so that the file is
// complete on disk after every entry. A failed write is logged there. The
// file is made before its first entry, so a key with nothing to write leaves
// none; an entry whose file cannot be made is a failed write like any other,
// and the export goes on.
void writeEntry(const CQVRWCharString& fileName, const CQVRWCharString& section, const CQVRWCharString& name,
                const CQVRWCharString& text)
{
    DWORD ulError = ERROR_SUCCESS;
    if (!startUnicodeFile(fileName, ulError)) {
        CQVRWritePrivateProfileStringException failed(section.getText(), name.getText(), ulError, kThisFile, __LINE__);
        return;
    }
    CQVRIni ini(fileName);
    ini.setProfileString(section, name, text);
}

// The key's unnamed value as a record, when it has one.
bool readDefaultValue(HKEY hRoot, const CQVRWCharString& keyPath, CQVRRegistryValent& valent)
{
    CQVRRegistryBinary value(hRoot, keyPath, CQVRWCharString(), KEY_READ, false, 0);
    DWORD ulType = REG_NONE;
    if (!value.getStoredType(ulType) || !value.readRegistry())
        return false;
    valent.m_ulType = ulType;
    valent.m_Data = value.m_Data;
    return true;
}

// One group of the key's values: the unnamed value first when it is of this
// type, then the pairs the collection gives, each as its entry.
template <class Pair, class Collect, class Text>
void exportGroup(const CQVRWCharString& fileName, const CQVRWCharString& section, const CQVRWCharString& keyPath,
                 const CQVRRegistryValent* pDefault, DWORD ulType, Collect collect, Text text)
{
    if (pDefault != nullptr && pDefault->m_ulType == ulType) {
        Pair pair;
        CQVRRegistryKey::makePair(*pDefault, pair);
        writeEntry(fileName, section, CQVRWCharString(kDefaultValueName), text(pair));
    }
    CQVRDblList<CQVRObjNode<Pair>> pairs;
    if (!collect(pairs))
        return;
    for (bool bMore = pairs.moveFirst(); bMore; bMore = pairs.moveNext()) {
        Pair* pPair = nullptr;
        if (!pairs.getCurrent(pPair))
            continue;
        // The profile file would take the name up to its "=" for the entry
        // name: such a value cannot be stored, and is named in the log.
        if (pPair->m_strName.contains(QVR_T("="))) {
            CQVRRegValueNotExportedWarning warning(keyPath.getText(), pPair->m_strName.getText(), kThisFile, __LINE__);
            continue;
        }
        writeEntry(fileName, section, pPair->m_strName, text(*pPair));
    }
}

// The folder of the file, with every missing level.
void makeFolder(const CQVRWCharString& fileName)
{
    uint32_t ulLast = 0;
    if (!fileName.find(kBackslash, 1, CQVRWCharString::pmBackward, ulLast))
        return;
    CQVRWCharString folder;
    fileName.getCutRight(folder, fileName.getLength() - ulLast - 1);
    CQVRDirectory directory(folder);
    if (!directory.isValidDirectory())
        directory.createDirectory();
}

}  // namespace

CQVRRegistryFile::CQVRRegistryFile(const CQVRWCharString& fileName) : CQVRWCharString(fileName) {}

bool CQVRRegistryFile::exportKeyToFile(HKEY hRoot, const CQVRWCharString& keyPath, bool bOverwrite)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        const CQVRWCharString& fileName = *this;
        if (bOverwrite)
            DeleteFileW(getText());
        makeFolder(fileName);
        const CQVRWCharString section = sectionName(hRoot, keyPath);
        CQVRRegistryValent defaultValue;
        const CQVRRegistryValent* pDefault = readDefaultValue(hRoot, keyPath, defaultValue) ? &defaultValue : nullptr;
        CQVRRegistryKey key(hRoot, keyPath, KEY_READ, false, 0);

        exportGroup<CQVRRegistryDwordValue>(
            fileName, section, keyPath, pDefault, REG_DWORD,
            [&](CQVRDwordValueList& pairs) { return key.getDwordValues(pairs); },
            [](const CQVRRegistryDwordValue& pair) { return entryText(pair); });
        exportGroup<CQVRRegistryStringValue>(
            fileName, section, keyPath, pDefault, REG_SZ,
            [&](CQVRStringValueList& pairs) { return key.getStringValues(pairs); },
            [](const CQVRRegistryStringValue& pair) { return quotedEntryText(kTagString, pair); });
        exportGroup<CQVRRegistryStringValue>(
            fileName, section, keyPath, pDefault, REG_EXPAND_SZ,
            [&](CQVRStringValueList& pairs) { return key.getExpandStringValues(pairs, false); },
            [](const CQVRRegistryStringValue& pair) { return quotedEntryText(kTagExpandString, pair); });
        exportGroup<CQVRRegistryMultiStringValue>(
            fileName, section, keyPath, pDefault, REG_MULTI_SZ,
            [&](CQVRMultiStringValueList& pairs) { return key.getMultiStringValues(pairs); },
            [](const CQVRRegistryMultiStringValue& pair) { return entryText(pair); });
        exportGroup<CQVRRegistryBinaryValue>(
            fileName, section, keyPath, pDefault, REG_BINARY,
            [&](CQVRBinaryValueList& pairs) { return key.getBinaryValues(pairs); },
            [](const CQVRRegistryBinaryValue& pair) { return entryText(pair); });

        // Subkeys after the key's own entries, so a parent's section comes
        // first; a subkey whose export ends early ends this one too.
        CQVRStringList names;
        key.enumSubKeys(names);
        for (bool bMore = names.moveFirst(); bMore; bMore = names.moveNext()) {
            CQVRWCharString* pName = nullptr;
            if (names.getCurrent(pName) && !exportKeyToFile(hRoot, joined(keyPath, kBackslash, *pName), false))
                return false;
        }
        return true;
    });
}

namespace {

// Root and key path of a section: the root is the text before the first
// backslash (one of the five names, exactly; anything else is the local
// machine), the path what follows it.
void parseSection(const CQVRWCharString& section, HKEY& hRoot, CQVRWCharString& keyPath)
{
    hRoot = HKEY_LOCAL_MACHINE;
    keyPath = section;
    CQVRWCharString rootText;
    if (!section.extractPart(rootText, kBackslash, 1, CQVRWCharString::pmForward, false))
        return;
    for (const RootName& root : kRoots)
        if (rootText == CQVRWCharString(root.szName))
            hRoot = root.hRoot;
    keyPath.replace(joined(rootText, kBackslash, CQVRWCharString()), CQVRWCharString(), 1, CQVRWCharString::ssmOccur);
}

// A line "name=TAG:data": the name before the first "=", the tag between it
// and the first ":" after it (a name may hold ":", such as a path), the data
// after that ":".
bool parseLine(const CQVRWCharString& line, CQVRWCharString& name, CQVRWCharString& tag, CQVRWCharString& data)
{
    uint32_t ulEquals = 0;
    if (!line.find(QVR_T("="), 1, CQVRWCharString::pmForward, ulEquals))
        return false;
    CQVRWCharString rest;
    if (!line.getCutRight(name, line.getLength() - ulEquals) || !line.getCutLeft(rest, ulEquals + 1))
        return false;
    uint32_t ulColon = 0;
    if (!rest.find(QVR_T(":"), 1, CQVRWCharString::pmForward, ulColon))
        return false;
    if (name == CQVRWCharString(kDefaultValueName))
        name = CQVRWCharString();
    return rest.getCutRight(tag, rest.getLength() - ulColon) && rest.getCutLeft(data, ulColon + 1);
}

// The text between the first and the last character, whatever they are.
CQVRWCharString unquoted(const CQVRWCharString& data)
{
    CQVRWCharString inner;
    data.getCutLeft(inner, 1);
    CQVRWCharString text;
    inner.getCutRight(text, 1);
    return text;
}

// Byte codes back to bytes, padded to whole UTF-16 units.
CQVRBuffer<unsigned char> bytesOfUnits(const CQVRWCharString& codes)
{
    return codes.getBufferFromAsciiCodeString().toWideBuffer().toByteBuffer();
}

void importLine(HKEY hRoot, const CQVRWCharString& keyPath, const CQVRWCharString& line)
{
    CQVRWCharString name;
    CQVRWCharString tag;
    CQVRWCharString data;
    if (!parseLine(line, name, tag, data))
        return;
    if (tag == CQVRWCharString(kTagDword)) {
        uint32_t ulValue = 0;
        if (data.toNumber(ulValue, CQVRWCharString::nsHex))
            CQVRRegistryDword(hRoot, keyPath, name, kImportAccess, true, 0).setValue(ulValue, false);
    } else if (tag == CQVRWCharString(kTagString)) {
        CQVRRegistryString(hRoot, keyPath, name, kImportAccess, true, 0).setValue(unquoted(data), false);
    } else if (tag == CQVRWCharString(kTagBinary)) {
        CQVRRegistryBinary(hRoot, keyPath, name, kImportAccess, true, 0).setValue(bytesOfUnits(data), false);
    } else if (tag == CQVRWCharString(kTagMultiString)) {
        CQVRStringList codes;
        data.split(codes, QVR_T(","), CQVRWCharString::tmSeparated, CQVRFlags(0), CQVRFlags(0));
        CQVRStringList strings;
        uint32_t ulKey = 0;
        for (bool bMore = codes.moveFirst(); bMore; bMore = codes.moveNext()) {
            CQVRWCharString* pCodes = nullptr;
            if (codes.getCurrent(pCodes))
                strings.add(CQVRWCharString(pCodes->getBufferFromAsciiCodeString().toWideBuffer()), ulKey++);
        }
        CQVRRegistryMultiString(hRoot, keyPath, name, kImportAccess, true, 0).setValue(strings, false);
    } else if (tag == CQVRWCharString(kTagExpandString)) {
        CQVRRegistryStringExpand(hRoot, keyPath, name, kImportAccess, true, 0).setValue(unquoted(data), false);
    }
}

}  // namespace

bool CQVRRegistryFile::importFromFile()
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRIni ini(*this);
        CQVRStringList sections;
        if (!ini.getProfileSectionNames(sections))
            return true;
        for (bool bMore = sections.moveFirst(); bMore; bMore = sections.moveNext()) {
            CQVRWCharString* pSection = nullptr;
            if (!sections.getCurrent(pSection))
                continue;
            HKEY hRoot = HKEY_LOCAL_MACHINE;
            CQVRWCharString keyPath;
            parseSection(*pSection, hRoot, keyPath);
            // The key exists afterwards, even for a section without lines.
            CQVRRegistryKey(hRoot, keyPath, kImportAccess, true, 0).open();
            CQVRStringList lines;
            bool bTooLong = false;
            if (!ini.getProfileSection(*pSection, lines, bTooLong)) {
                if (bTooLong)
                    CQVRRegSectionNotImportedWarning warning(pSection->getText(), kThisFile, __LINE__);
                continue;
            }
            for (bool bLine = lines.moveFirst(); bLine; bLine = lines.moveNext()) {
                CQVRWCharString* pLine = nullptr;
                if (lines.getCurrent(pLine))
                    importLine(hRoot, keyPath, *pLine);
            }
        }
        return true;
    });
}
