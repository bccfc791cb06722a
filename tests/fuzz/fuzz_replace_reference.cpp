// removeString and replace against the implementation they had before they
// became one pass: every mode, occurrence numbers in and out of range,
// overlapping matches, invalid and empty strings, strings that hold elements
// after their terminator, a new text that holds the old one, and either
// argument being the string itself. Both must leave the same elements,
// return the same and write the same log entries (the line of the source they
// name aside).
#include "fuzz_support.h"

#include "core/qvr_wchar_string.h"
#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/entries/qvr_mem_alloc_exception.h"
#include "qvr_guard.h"
#include "qvr_sim.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

using qvrfuzz::units;

namespace {

typedef CQVRWCharString Str;

// --- the earlier implementation, as it was -------------------------------------
// It searched from the start and rebuilt the whole text for every step. Its
// entries name the string's own class and file, as the originals did.

const QVRSourceFile kThisFile = {QVR_T("CQVRWCharString"), QVR_T("qvr_wchar_string.cpp"), QVRErrorSource::Errno};
const WCHAR* const kArgOccurrance = QVR_T("ulOccurrance");
const WCHAR* const kEditArgSubStringMode = QVR_T("subStringMode");
const WCHAR* const kEditNotEnoughStrings = QVR_T("there aren't enough strings to accommodate ulOccurrance");
const WCHAR* const kEditInvalidMode = QVR_T("invalid mode");

struct EditPiece {
    const unsigned short* pUnits;
    uint32_t ulCount;
};

bool editBuild(Str& out, std::initializer_list<EditPiece> pieces)
{
    uint64_t ullTotal = 0;
    for (const EditPiece& piece : pieces)
        ullTotal += piece.ulCount;
    if (ullTotal >= 0xFFFFFFFFu)
        throw CQVRMemAllocException(QVR_T("m_pBuffer"), kThisFile, __LINE__);
    uint32_t ulTotal = static_cast<uint32_t>(ullTotal);
    Str result;
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

void editModeSteps(Str::SubStringMode subStringMode, uint32_t ulOccurrance, uint32_t ulCount,
                   const WCHAR* szOccurOutOfBounds, uint32_t& ulSteps, uint32_t& ulFirst)
{
    ulSteps = 1;
    ulFirst = 1;
    switch (subStringMode) {
    case Str::ssmAll:
        ulSteps = ulCount;
        return;
    case Str::ssmOccur:
        if (ulOccurrance == 0)
            throw CQVRBadArgException(kArgOccurrance, QVR_T("ssmOccur mode requires ulOccurrance to be greater than 0"),
                                      kThisFile, __LINE__);
        if (ulOccurrance > ulCount)
            throw CQVRBadArgException(kArgOccurrance, szOccurOutOfBounds, kThisFile, __LINE__);
        ulFirst = ulOccurrance;
        return;
    case Str::ssmNum:
        if (ulOccurrance == 0)
            throw CQVRBadArgException(kArgOccurrance, QVR_T("ssmNum mode requires ulOccurrance to be greater than 0"),
                                      kThisFile, __LINE__);
        if (ulOccurrance > ulCount)
            throw CQVRBadArgException(kArgOccurrance, kEditNotEnoughStrings, kThisFile, __LINE__);
        ulSteps = ulOccurrance;
        return;
    }
    throw CQVRBadArgException(kEditArgSubStringMode, kEditInvalidMode, kThisFile, __LINE__);
}

bool referenceRemoveString(Str& self, const Str& subString, uint32_t ulOccurrance, Str::SubStringMode subStringMode)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!self.isValid())
            return false;
        Str sub(subString);
        uint32_t ulCount = self.countOf(sub);
        if (ulCount == 0)
            return false;
        uint32_t ulRemovals = 1;
        uint32_t ulWhich = 1;
        editModeSteps(subStringMode, ulOccurrance, ulCount, kEditNotEnoughStrings, ulRemovals, ulWhich);
        uint32_t ulSubLength = sub.getLength();
        for (uint32_t i = 0; i < ulRemovals; ++i) {
            uint32_t ulPos = 0;
            if (!self.isValid() || ulWhich > self.getLength() || !self.find(sub, ulWhich, Str::pmForward, ulPos))
                break;
            uint32_t ulLength = self.getLength();
            uint32_t ulAfter = ulPos + ulSubLength;
            const unsigned short* pUnits = self.getBuffer();
            if (!editBuild(self, {{pUnits, ulPos}, {pUnits + ulAfter, ulLength - ulAfter}}))
                return false;
        }
        return true;
    });
}

bool referenceReplace(Str& self, const Str& oldString, const Str& newString, uint32_t ulOccurrance,
                      Str::SubStringMode subStringMode)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!self.isValid())
            return false;
        if (!oldString.isValid())
            throw CQVRBadArgException(QVR_T("oldString"), QVR_T("string is invalid"), kThisFile, __LINE__);
        Str oldCopy(oldString);
        Str newCopy(newString);
        uint32_t ulCount = self.countOf(oldCopy);
        if (ulCount == 0)
            return false;
        uint32_t ulSteps = 1;
        uint32_t ulFirst = 1;
        editModeSteps(subStringMode, ulOccurrance, ulCount, QVR_T("occurrance is out of bounds"), ulSteps, ulFirst);
        uint64_t ullWhich = ulFirst;
        uint32_t ulAdvance = newCopy.countOf(oldCopy);
        for (uint32_t i = 0; i < ulSteps; ++i) {
            uint32_t ulPos = 0;
            bool bFound = self.isValid() && ullWhich <= self.getLength() &&
                          self.find(oldCopy, static_cast<uint32_t>(ullWhich), Str::pmForward, ulPos);
            if (!bFound)
                return subStringMode == Str::ssmAll;
            if (!referenceRemoveString(self, oldCopy, static_cast<uint32_t>(ullWhich), Str::ssmOccur))
                return false;
            if (newCopy.isValid() && !self.insert(newCopy, ulPos))
                return false;
            ullWhich += ulAdvance;
        }
        return true;
    });
}

// --- the comparison ----------------------------------------------------------

const char16_t kLogPath[] = u"C:\\logs\\fuzz.log";
// Pads a text past its terminator; no fuzz byte gives this unit.
const unsigned short kPad = 0xFFFE;
// The earlier implementation takes time by the square of the matches: longer
// texts would only slow the search down.
const size_t kMaxText = 400;
const size_t kMaxSelfText = 48;

// The log lines written since the last call, each without its time and
// without the line number of its source part, which differ by nature.
std::vector<std::string> takeLogLines()
{
    std::string host = qvrsim::hostPath(kLogPath);
    std::ifstream file(host, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    std::error_code ec;
    std::filesystem::remove(host, ec);
    std::vector<std::string> lines;
    std::string line;
    // UTF-16LE after the byte order mark; the entries are ASCII.
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char ch = bytes[i];
        if (ch == '\n') {
            size_t time = line.find(">: ");
            line.erase(0, time == std::string::npos ? 0 : time + 3);
            size_t source = line.rfind(".cpp, ");
            if (source != std::string::npos)
                line.erase(source + 6, line.find('>', source) - (source + 6));
            lines.push_back(line);
            line.clear();
        } else if (ch != '\r') {
            line += ch;
        }
    }
    return lines;
}

// What the fuzz bytes ask a string to be.
enum Shape { shText, shEmpty, shValidEmpty, shPadded };

Str makeShaped(const units& text, Shape shape)
{
    if (shape == shEmpty)
        return Str();
    if (shape == shText)
        return qvrfuzz::makeString(text);
    // Padding trimmed off leaves zeros after the terminator; with no text
    // before it, a valid string of length 0.
    units padded = (shape == shValidEmpty ? units() : text) + units(1 + (text.size() & 3), kPad);
    Str s = qvrfuzz::makeString(padded);
    s.trim(static_cast<WCHAR>(kPad), CQVRFlags(2), CQVRFlags(0));
    return s;
}

units readUnits(qvrfuzz::Reader& in, size_t n)
{
    units result;
    for (; n > 0; --n)
        result.push_back(qvrfuzz::smallAlphabetUnit(in.byte()));
    return result;
}

uint32_t readOccurrence(qvrfuzz::Reader& in, size_t textLength)
{
    uint8_t b = in.byte();
    switch (b >> 5) {
    case 7:
        return 0xFFFFFFFFu;
    case 6:
        return static_cast<uint32_t>(textLength + (b & 3));
    default:
        return b & 15;
    }
}

bool sameElements(const Str& a, const Str& b)
{
    if (a.isValid() != b.isValid() || a.getSize() != b.getSize())
        return false;
    for (uint32_t i = 0; i < a.getSize(); ++i) {
        if (a.getBuffer()[i] != b.getBuffer()[i])
            return false;
    }
    return true;
}

// One call both ways on copies of text: the same elements, result and log.
template <class Now, class Before> void compare(const Str& text, Now now, Before before)
{
    Str nowText(text);
    Str beforeText(text);
    bool bNow = now(nowText);
    std::vector<std::string> nowLog = takeLogLines();
    bool bBefore = before(beforeText);
    std::vector<std::string> beforeLog = takeLogLines();
    QVR_FUZZ_CHECK(bNow == bBefore);
    QVR_FUZZ_CHECK(sameElements(nowText, beforeText));
    QVR_FUZZ_CHECK(nowLog == beforeLog);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Bad arguments are logged: the text log is on for the whole run.
    qvrsim::reset();
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Dravonne\\Logs", 0, nullptr, 0, qvrRegistryView(KEY_ALL_ACCESS),
                        nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return 1;
    DWORD ulOn = 1;
    RegSetValueExW(hKey, u"Logging", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ulOn), sizeof ulOn);
    RegSetValueExW(hKey, u"TextOutput", 0, REG_SZ, reinterpret_cast<const BYTE*>(kLogPath), sizeof kLogPath);
    RegCloseKey(hKey);
    // The comparison of the logs means nothing unless entries reach them.
    uint32_t ulPos = 0;
    Str text = qvrfuzz::makeString(units(2, 'a'));
    text.find(text, 0, Str::pmForward, ulPos);
    std::vector<std::string> lines = takeLogLines();
    QVR_FUZZ_CHECK(lines.size() == 1 && lines[0].find("value must be greater than 0") != std::string::npos &&
                   lines[0].find("<qvr_wchar_string.cpp, >") != std::string::npos);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    qvrfuzz::Reader in(pData, cb);
    // Bits 0-1: the text's shape; 2-3: the old text's; 4-5: the new text's;
    // 6: the new text holds the old one; 7: an argument is the string itself.
    uint8_t control = in.byte();
    uint8_t lengths = in.byte();
    units from = readUnits(in, lengths & 3);
    units to = readUnits(in, (lengths >> 2) & 7);
    if ((control & 0x40) != 0)
        to = to.substr(0, to.size() / 2) + from + to.substr(to.size() / 2);
    uint8_t modes = in.byte();
    bool bSelf = (control & 0x80) != 0;
    // Which argument is the string itself, when one is.
    bool bSelfIsNew = (modes & 0x80) != 0;
    // A text put into itself at every match grows by its square, and the
    // earlier implementation's time with it.
    size_t maxText = bSelf && bSelfIsNew ? kMaxSelfText : kMaxText;
    uint32_t ulOccurrance = 0;
    units text;
    // The occurrence number is read after the text, so that it may depend on
    // its length; the text is the rest but for the last byte.
    while (in.left() > 1 && text.size() < maxText)
        text.push_back(qvrfuzz::smallAlphabetUnit(in.byte()));
    ulOccurrance = readOccurrence(in, text.size());

    Str original = makeShaped(text, static_cast<Shape>(control & 3));
    Str oldString = makeShaped(from, static_cast<Shape>((control >> 2) & 3));
    Str newString = makeShaped(to, static_cast<Shape>((control >> 4) & 3));
    static const Str::SubStringMode kModes[] = {Str::ssmAll, Str::ssmOccur, Str::ssmNum,
                                                static_cast<Str::SubStringMode>(0), static_cast<Str::SubStringMode>(3)};
    Str::SubStringMode mode = kModes[modes % 5];

    compare(
        original,
        [&](Str& s) {
            return bSelf ? s.removeString(s, ulOccurrance, mode) : s.removeString(oldString, ulOccurrance, mode);
        },
        [&](Str& s) {
            return bSelf ? referenceRemoveString(s, s, ulOccurrance, mode)
                         : referenceRemoveString(s, oldString, ulOccurrance, mode);
        });
    compare(
        original,
        [&](Str& s) {
            if (!bSelf)
                return s.replace(oldString, newString, ulOccurrance, mode);
            return bSelfIsNew ? s.replace(oldString, s, ulOccurrance, mode)
                              : s.replace(s, newString, ulOccurrance, mode);
        },
        [&](Str& s) {
            if (!bSelf)
                return referenceReplace(s, oldString, newString, ulOccurrance, mode);
            return bSelfIsNew ? referenceReplace(s, oldString, s, ulOccurrance, mode)
                              : referenceReplace(s, s, newString, ulOccurrance, mode);
        });
    return 0;
}
