// Profile (INI) files over the sandbox. Every call reads and parses the whole
// file and every write puts it back whole, as Windows does without a cache.
// A file that starts with FF FE is UTF-16 and stays so; any other file is
// text in the ANSI code page, 1252 on this machine (Wine's answer for the C
// locale), and a file these functions create is ANSI too.
#include "qvr_sim_state.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using qvrsim::wstr;

namespace {

// ------------------------------------------------------ ANSI code page 1252

// Bytes 0x80-0x9F; the five that 1252 leaves open stand for the code unit of
// their own value, as Windows reads them.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Windows writes the nearest ANSI character for many it cannot write (its
// "best fit": letters lose their accents, full-width forms become plain), and
// "?" for the rest. Runs of consecutive code units and their bytes, measured
// under Wine with WideCharToMultiByte on code page 1252.
struct BestFitRun {
    char16_t first;
    const char* bytes;
};
const BestFitRun kBestFit[] = {
    {0x0100, "AaAaAaCcCcCcCcDd\320dEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi"},
    {0x0134, "JjKk"},
    {0x0139, "LlLlLl"},
    {0x0141, "LlNnNnNn"},
    {0x014C, "OoOoOo"},
    {0x0154, "RrRrRrSsSsSs"},
    {0x0162, "TtTtTtUuUuUuUuUuUuWwYy"},
    {0x0179, "ZzZz"},
    {0x0180, "b"},
    {0x0189, "\320"},
    {0x0191, "\203"},
    {0x0197, "I"},
    {0x019A, "l"},
    {0x019F, "OOo"},
    {0x01AB, "t"},
    {0x01AE, "TUu"},
    {0x01B6, "z"},
    {0x01C0, "|"},
    {0x01C3, "!"},
    {0x01CD, "AaIiOoUuUuUuUuUu"},
    {0x01DE, "Aa"},
    {0x01E4, "GgGgKkOoOo"},
    {0x01F0, "j"},
    {0x0261, "g"},
    {0x02B9, "'\""},
    {0x02BC, "'"},
    {0x02C4, "^"},
    {0x02C8, "'\257\264`"},
    {0x02CD, "_"},
    {0x02DA, "\260"},
    {0x0300, "`\264^~\257\257"},
    {0x0308, "\250"},
    {0x030A, "\260"},
    {0x030E, "\""},
    {0x0327, "\270"},
    {0x0331, "__"},
    {0x037E, ";"},
    {0x0393, "G"},
    {0x0398, "T"},
    {0x03A3, "S"},
    {0x03A6, "F"},
    {0x03A9, "O"},
    {0x03B1, "a\337"},
    {0x03B4, "de"},
    {0x03BC, "\265"},
    {0x03C0, "p"},
    {0x03C3, "st"},
    {0x03C6, "f"},
    {0x04BB, "h"},
    {0x0589, ":"},
    {0x066A, "%"},
    {0x2000, "       "},
    {0x2010, "--"},
    {0x2017, "="},
    {0x2024, "\267"},
    {0x2032, "'"},
    {0x2035, "`"},
    {0x2044, "/"},
    {0x2070, "\260"},
    {0x2074, "45678"},
    {0x207F, "n0123456789"},
    {0x20A1, "\242"},
    {0x20A4, "\243"},
    {0x20A7, "P"},
    {0x2102, "C"},
    {0x2107, "E"},
    {0x210A, "gHHHh"},
    {0x2110, "IILl"},
    {0x2115, "N"},
    {0x2118, "PPQRRR"},
    {0x2124, "Z"},
    {0x2128, "Z"},
    {0x212A, "K\305BCeeEF"},
    {0x2133, "Mo"},
    {0x2205, "\330"},
    {0x2212, "-\261"},
    {0x2215, "/\\*\260\267v"},
    {0x221E, "8"},
    {0x2223, "|"},
    {0x2229, "n"},
    {0x2236, ":"},
    {0x223C, "~"},
    {0x2248, "\230"},
    {0x2261, "="},
    {0x2264, "=="},
    {0x226A, "\253\273"},
    {0x22C5, "\267"},
    {0x2302, "\246^"},
    {0x2310, "\254"},
    {0x2320, "()"},
    {0x2329, "<>"},
    {0x2500, "-"},
    {0x2502, "\246"},
    {0x250C, "+"},
    {0x2510, "+"},
    {0x2514, "+"},
    {0x2518, "+"},
    {0x251C, "+"},
    {0x2524, "\246"},
    {0x252C, "-"},
    {0x2534, "-"},
    {0x253C, "+"},
    {0x2550, "-\246++++++++++++\246\246\246\246\246\246------+++"},
    {0x2580, "\257"},
    {0x2584, "_"},
    {0x2588, "\246"},
    {0x258C, "\246"},
    {0x2590, "\246\246\246\246"},
    {0x25A0, "\246"},
    {0x263C, "\244"},
    {0x2758, "|"},
    {0x3000, " "},
    {0x3008, "<>\253\273"},
    {0x301A, "[]"},
    {0x30FB, "\267"},
    {0xFF01, "!\"#$%&'()*+,-./0123456789:;<=>"},
    {0xFF20, "@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"},
};

char16_t fromAnsi(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte; }

// Each code unit on its own: a surrogate pair becomes "??".
char toAnsi(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<char>(ch);
    for (unsigned i = 0; i < 32; ++i)
        if (kCp1252High[i] == ch)
            return static_cast<char>(0x80 + i);
    for (const BestFitRun& run : kBestFit)
        if (ch >= run.first && ch - run.first < static_cast<int>(std::strlen(run.bytes)))
            return run.bytes[ch - run.first];
    return '?';
}

// ------------------------------------------------------------- the model

struct Entry {
    wstr name;  // the whole line when it has no "="
    wstr text;
    bool bHasText = false;
};

struct Section {
    wstr name;
    std::vector<Entry> entries;
};

struct Profile {
    bool bUnicode = false;
    std::vector<Entry> leadIn;  // lines above the first section, kept as they are
    std::vector<Section> sections;
};

bool isBlank(char16_t ch) { return ch == u' ' || ch == u'\t' || ch == u'\v' || ch == u'\f'; }

wstr trimmed(const wstr& text)
{
    size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

wstr argument(LPCWSTR sz) { return sz ? wstr(sz) : wstr(); }

// Names are trimmed and compared without regard to case, folding ASCII
// letters only, as Wine does ("É" and "é" are two names there).
bool sameName(const wstr& stored, LPCWSTR szName)
{
    return qvrsim::lowerCase(stored) == qvrsim::lowerCase(trimmed(argument(szName)));
}

// "name = text" becomes name and text without the spaces around them; a line
// without "=" is kept whole, as a name without text.
Entry entryOf(const wstr& line)
{
    Entry entry;
    size_t equals = line.find(u'=');
    if (equals == wstr::npos) {
        entry.name = line;
    } else {
        entry.name = trimmed(line.substr(0, equals));
        entry.text = trimmed(line.substr(equals + 1));
        entry.bHasText = true;
    }
    return entry;
}

// Lines end with CR LF, LF or CR; blank lines are dropped. "[name]" starts a
// section (the name runs to the last "]", anything behind it is ignored).
Profile parse(const wstr& text)
{
    Profile profile;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(u"\r\n", pos);
        if (end == wstr::npos)
            end = text.size();
        wstr line = trimmed(text.substr(pos, end - pos));
        pos = end + (text.compare(end, 2, u"\r\n") == 0 ? 2 : 1);
        if (line.empty())
            continue;
        size_t close = line.find_last_of(u']');
        if (line[0] == u'[' && close != wstr::npos) {
            profile.sections.push_back(Section{trimmed(line.substr(1, close - 1)), {}});
            continue;
        }
        (profile.sections.empty() ? profile.leadIn : profile.sections.back().entries).push_back(entryOf(line));
    }
    return profile;
}

wstr lineOf(const Entry& entry) { return entry.bHasText ? entry.name + u"=" + entry.text : entry.name; }

std::string serialize(const Profile& profile)
{
    wstr text;
    for (const Entry& entry : profile.leadIn)
        text += lineOf(entry) + u"\r\n";
    for (const Section& section : profile.sections) {
        text += u"[" + section.name + u"]\r\n";
        for (const Entry& entry : section.entries)
            text += lineOf(entry) + u"\r\n";
    }
    std::string bytes;
    if (profile.bUnicode) {
        bytes = "\xFF\xFE";
        for (char16_t ch : text) {
            bytes += static_cast<char>(ch & 0xFF);
            bytes += static_cast<char>(ch >> 8);
        }
    } else {
        for (char16_t ch : text)
            bytes += toAnsi(ch);
    }
    return bytes;
}

Section* findSection(Profile& profile, LPCWSTR szName)
{
    for (Section& section : profile.sections)
        if (sameName(section.name, szName))
            return &section;
    return nullptr;
}

// The first entry of that name, with or without text.
std::vector<Entry>::iterator findEntry(Section& section, LPCWSTR szName)
{
    return std::find_if(section.entries.begin(), section.entries.end(),
                        [szName](const Entry& entry) { return sameName(entry.name, szName); });
}

void removeSection(Profile& profile, LPCWSTR szName)
{
    if (Section* section = findSection(profile, szName))
        profile.sections.erase(profile.sections.begin() + (section - profile.sections.data()));
}

// Lines that start with ";" are comments: kept in the file, found by name,
// but never listed.
bool listed(const Entry& entry) { return entry.name.empty() || entry.name[0] != u';'; }

// ------------------------------------------------------------- the file

bool isFolder(const std::string& host)
{
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The profile functions open the file sharing reading and writing; a handle
// already open that does not share what they need stops them.
bool sharingAllows(const std::string& host, bool bWriting)
{
    for (const auto& handle : qvrsim::machine().fileHandles) {
        const qvrsim::OpenFile& other = handle.second;
        if (other.host == host && (!(other.share & FILE_SHARE_READ) || (bWriting && !(other.share & FILE_SHARE_WRITE))))
            return false;
    }
    return true;
}

enum class Found { File, Missing, Unreadable };

// A missing file (error 2, or 3 for a missing folder or drive) reads as an
// empty profile; any other failure to read gives none.
Found load(const char* szFunction, LPCWSTR lpFileName, bool bWriting, Profile& profile, DWORD& error)
{
    if (qvrsim::injectedFailure(szFunction, error))
        return Found::Unreadable;
    std::string host = qvrsim::hostPath(argument(lpFileName));
    struct stat st;
    if (!qvrsim::onKnownDrive(lpFileName) || stat(host.c_str(), &st) != 0) {
        bool bFolderThere = qvrsim::onKnownDrive(lpFileName) && isFolder(host.substr(0, host.find_last_of('/')));
        error = bFolderThere ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return Found::Missing;
    }
    error = ERROR_ACCESS_DENIED;
    if (S_ISDIR(st.st_mode))
        return Found::Unreadable;
    if (!sharingAllows(host, bWriting)) {
        error = QVR_SIM_ERROR_SHARING_VIOLATION;
        return Found::Unreadable;
    }
    int fd = ::open(host.c_str(), O_RDONLY);
    if (fd < 0)
        return Found::Unreadable;
    std::string bytes;
    char chunk[4096];
    ssize_t got;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, static_cast<size_t>(got));
    ::close(fd);
    if (got < 0)
        return Found::Unreadable;

    wstr text;
    profile.bUnicode = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    if (profile.bUnicode) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
    } else {
        for (char byte : bytes)
            text += fromAnsi(static_cast<unsigned char>(byte));
    }
    bool bUnicode = profile.bUnicode;
    profile = parse(text);
    profile.bUnicode = bUnicode;
    error = ERROR_SUCCESS;
    return Found::File;
}

// Reads the profile for a change; a missing file in a folder that is there
// is a new, empty ANSI profile.
bool loadForWriting(const char* szFunction, LPCWSTR lpFileName, Profile& profile)
{
    DWORD error;
    Found found = load(szFunction, lpFileName, true, profile, error);
    if (found == Found::File || (found == Found::Missing && error == ERROR_FILE_NOT_FOUND))
        return true;
    SetLastError(error);
    return false;
}

// The whole file is written, even when nothing changed: Windows creates a
// missing file for a removal too (Wine does not).
BOOL save(LPCWSTR lpFileName, const Profile& profile)
{
    std::string bytes = serialize(profile);
    int fd = ::open(qvrsim::hostPath(argument(lpFileName)).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ssize_t written = fd < 0 ? -1 : ::write(fd, bytes.data(), bytes.size());
    if (fd >= 0)
        ::close(fd);
    if (written != static_cast<ssize_t>(bytes.size())) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

// ------------------------------------------------------------ the answers

// One text, cut to the buffer. Around an entry's text one pair of quotes is
// dropped; the closing quote's place is zeroed too when the buffer reaches
// it, which leaves a second zero behind the text (as Wine answers).
DWORD copyText(wstr text, bool bUnquote, LPWSTR buffer, DWORD size)
{
    bool bQuoted = bUnquote && text.size() >= 2 && (text[0] == u'"' || text[0] == u'\'') && text.back() == text[0];
    if (bQuoted)
        text.erase(0, 1);
    size_t cch = std::min<size_t>(text.size(), size - 1);
    std::copy(text.begin(), text.begin() + static_cast<ptrdiff_t>(cch), buffer);
    buffer[cch] = 0;
    if (bQuoted && size >= text.size()) {
        buffer[text.size() - 1] = 0;
        cch = std::min(cch, text.size() - 1);
    }
    return static_cast<DWORD>(cch);
}

// Zero-terminated strings and one more zero. A list counts as cut unless
// one character more than it needs is left over; then it is the first
// size - 2 characters and two zeros, and the answer is size - 2.
DWORD copyList(const std::vector<wstr>& items, LPWSTR buffer, DWORD size)
{
    wstr list;
    for (const wstr& item : items)
        list += item + u'\0';
    if (list.size() + 2 <= size) {
        std::copy(list.begin(), list.end(), buffer);
        buffer[list.size()] = 0;
        return static_cast<DWORD>(list.size());
    }
    if (size < 2) {
        buffer[0] = 0;
        return 0;
    }
    std::copy(list.begin(), list.begin() + (size - 2), buffer);
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
    return size - 2;
}

// The default loses the blanks at its end.
DWORD copyDefault(LPCWSTR lpDefault, LPWSTR buffer, DWORD size)
{
    wstr text = argument(lpDefault);
    while (!text.empty() && isBlank(text.back()))
        text.pop_back();
    return copyText(text, false, buffer, size);
}

DWORD readString(const char* szFunction, LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault, LPWSTR buffer,
                 DWORD size, LPCWSTR lpFileName)
{
    if (buffer == nullptr || size == 0)
        return 0;
    Profile profile;
    DWORD error;
    Found found = load(szFunction, lpFileName, false, profile, error);
    if (found == Found::Unreadable) {
        SetLastError(error);
        return copyDefault(lpDefault, buffer, size);
    }
    // Without a section: the section names; without an entry name: the
    // section's entry names, or the default when it has none.
    std::vector<wstr> names;
    if (lpAppName == nullptr) {
        for (const Section& section : profile.sections)
            names.push_back(section.name);
        SetLastError(error);
        return copyList(names, buffer, size);
    }
    Section* section = findSection(profile, lpAppName);
    if (section && lpKeyName == nullptr) {
        for (const Entry& entry : section->entries)
            if (entry.bHasText && listed(entry))
                names.push_back(entry.name);
        if (!names.empty()) {
            SetLastError(ERROR_SUCCESS);
            return copyList(names, buffer, size);
        }
    } else if (section) {
        auto entry = findEntry(*section, lpKeyName);
        if (entry != section->entries.end() && entry->bHasText) {
            SetLastError(ERROR_SUCCESS);
            return copyText(entry->text, true, buffer, size);
        }
    }
    // Windows 7 reports an entry that is not there as a file not found.
    SetLastError(found == Found::Missing ? error : ERROR_FILE_NOT_FOUND);
    return copyDefault(lpDefault, buffer, size);
}

// As Windows reads a number: blanks, a sign, then "0x", "0o" or "0b" (lower
// case only) for hexadecimal, octal or binary, else decimal digits, up to
// the first character that is none; taken modulo 2^32.
INT readNumber(const WCHAR* p)
{
    while (*p != 0 && *p <= u' ')
        ++p;
    bool bNegative = *p == u'-';
    if (*p == u'-' || *p == u'+')
        ++p;
    uint32_t base = 10;
    if (p[0] == u'0' && (p[1] == u'x' || p[1] == u'o' || p[1] == u'b')) {
        base = p[1] == u'x' ? 16 : p[1] == u'o' ? 8 : 2;
        p += 2;
    }
    uint32_t value = 0;
    for (;; ++p) {
        uint32_t digit = *p >= u'0' && *p <= u'9'   ? *p - u'0'
                         : *p >= u'a' && *p <= u'z' ? *p - u'a' + 10
                         : *p >= u'A' && *p <= u'Z' ? *p - u'A' + 10
                                                    : 99;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    return static_cast<INT>(bNegative ? 0u - value : value);
}

// The lines of a WritePrivateProfileSectionW list that hold "=".
std::vector<Entry> entriesOf(LPCWSTR lpString)
{
    std::vector<Entry> entries;
    for (LPCWSTR p = lpString; *p != 0; p += qvrsim::length(p) + 1) {
        Entry entry = entryOf(trimmed(p));
        if (entry.bHasText)
            entries.push_back(entry);
    }
    return entries;
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault, LPWSTR lpReturnedString,
                               DWORD nSize, LPCWSTR lpFileName)
{
    return readString("GetPrivateProfileStringW", lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, lpFileName);
}

// The entry's text read as a number; a missing or empty text gives the default.
UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName)
{
    WCHAR text[1024];
    if (readString("GetPrivateProfileIntW", lpAppName, lpKeyName, u"", text, 1024, lpFileName) == 0)
        return static_cast<UINT>(nDefault);
    return static_cast<UINT>(readNumber(text));
}

// A missing section leaves two zeros, an empty one a single zero.
DWORD GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName)
{
    if (lpAppName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lpReturnedString == nullptr || nSize == 0)
        return 0;
    Profile profile;
    DWORD error;
    if (load("GetPrivateProfileSectionW", lpFileName, false, profile, error) == Found::Unreadable) {
        SetLastError(error);
        return 0;
    }
    SetLastError(error);
    Section* section = findSection(profile, lpAppName);
    if (section == nullptr) {
        lpReturnedString[0] = 0;
        if (nSize > 1)
            lpReturnedString[1] = 0;
        return 0;
    }
    std::vector<wstr> lines;
    for (const Entry& entry : section->entries)
        if (listed(entry))
            lines.push_back(lineOf(entry));
    return copyList(lines, lpReturnedString, nSize);
}

DWORD GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize, LPCWSTR lpFileName)
{
    if (lpszReturnBuffer == nullptr || nSize == 0)
        return 0;
    Profile profile;
    DWORD error;
    if (load("GetPrivateProfileSectionNamesW", lpFileName, false, profile, error) == Found::Unreadable) {
        SetLastError(error);
        return 0;
    }
    std::vector<wstr> names;
    for (const Section& section : profile.sections)
        names.push_back(section.name);
    SetLastError(error);
    return copyList(names, lpszReturnBuffer, nSize);
}

// Without an entry name the section goes, without a text the entry; a new
// section goes to the end of the file, a new entry to the end of its section,
// and an entry that is there keeps its place (and the case of its name).
BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString, LPCWSTR lpFileName)
{
    if (lpAppName == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    Profile profile;
    if (!loadForWriting("WritePrivateProfileStringW", lpFileName, profile))
        return FALSE;
    Section* section = findSection(profile, lpAppName);
    if (lpKeyName == nullptr) {
        removeSection(profile, lpAppName);
    } else if (lpString == nullptr) {
        if (section) {
            auto entry = findEntry(*section, lpKeyName);
            if (entry != section->entries.end())
                section->entries.erase(entry);
        }
    } else {
        if (section == nullptr) {
            profile.sections.push_back(Section{trimmed(lpAppName), {}});
            section = &profile.sections.back();
        }
        auto entry = findEntry(*section, lpKeyName);
        if (entry == section->entries.end())
            entry = section->entries.insert(section->entries.end(), Entry{trimmed(lpKeyName), wstr(), true});
        entry->text = trimmed(lpString);
        entry->bHasText = true;
    }
    return save(lpFileName, profile);
}

// The section's entries become the given "name=text" lines; without lines the
// section goes. An empty list empties a section but makes none.
BOOL WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName)
{
    if (lpAppName == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    Profile profile;
    if (!loadForWriting("WritePrivateProfileSectionW", lpFileName, profile))
        return FALSE;
    if (lpString == nullptr) {
        removeSection(profile, lpAppName);
    } else if (Section* section = findSection(profile, lpAppName)) {
        section->entries = entriesOf(lpString);
    } else {
        std::vector<Entry> entries = entriesOf(lpString);
        if (!entries.empty())
            profile.sections.push_back(Section{trimmed(lpAppName), entries});
    }
    return save(lpFileName, profile);
}
