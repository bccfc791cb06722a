// replace, removeString and insert against plain reference edits: one chosen
// occurrence, every occurrence when the new text cannot form new matches,
// and the checks that leave the string untouched.
#include "fuzz_support.h"

#include "core/qvr_wchar_string.h"

#include <cstdint>
#include <vector>

using qvrfuzz::units;

namespace {

typedef CQVRWCharString Str;

const size_t kMaxText = 1000;

std::vector<size_t> matchesOf(const units& text, const units& sub)
{
    std::vector<size_t> found;
    for (size_t i = 0; !sub.empty() && i + sub.size() <= text.size(); ++i) {
        if (text.compare(i, sub.size(), sub) == 0)
            found.push_back(i);
    }
    return found;
}

// Leftmost matches, each search going on after the last replaced one.
units replaceAll(const units& text, const units& from, const units& to)
{
    units result;
    size_t i = 0;
    while (i < text.size()) {
        if (i + from.size() <= text.size() && text.compare(i, from.size(), from) == 0) {
            result += to;
            i += from.size();
        } else {
            result.push_back(text[i++]);
        }
    }
    return result;
}

bool sharesUnits(const units& a, const units& b)
{
    for (unsigned short u : a) {
        if (b.find(u) != units::npos)
            return true;
    }
    return false;
}

units readUnits(qvrfuzz::Reader& in, size_t n)
{
    units result;
    for (; n > 0; --n)
        result.push_back(qvrfuzz::smallAlphabetUnit(in.byte()));
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    qvrfuzz::Reader in(pData, cb);
    uint8_t control = in.byte();
    uint32_t ulWhich = in.byte() % 8;
    units from = readUnits(in, 1 + (control & 3));
    units to = readUnits(in, (control >> 2) & 3);
    units text;
    while (in.left() > 0 && text.size() < kMaxText)
        text.push_back(qvrfuzz::smallAlphabetUnit(in.byte()));
    Str original = qvrfuzz::makeString(text);
    Str oldString = qvrfuzz::makeString(from);
    Str newString = qvrfuzz::makeString(to);
    std::vector<size_t> matches = matchesOf(text, from);
    QVR_FUZZ_CHECK(original.countOf(oldString) == matches.size());

    // One occurrence, counted from the start.
    Str s(original);
    bool bOk = s.replace(oldString, newString, ulWhich, Str::ssmOccur);
    if (ulWhich >= 1 && ulWhich <= matches.size()) {
        size_t p = matches[ulWhich - 1];
        QVR_FUZZ_CHECK(bOk);
        QVR_FUZZ_CHECK(qvrfuzz::textOf(s) == text.substr(0, p) + to + text.substr(p + from.size()));
        Str removed(original);
        QVR_FUZZ_CHECK(removed.removeString(oldString, ulWhich, Str::ssmOccur));
        QVR_FUZZ_CHECK(qvrfuzz::textOf(removed) == text.substr(0, p) + text.substr(p + from.size()));
    } else {
        QVR_FUZZ_CHECK(!bOk && s == original);
    }

    // Every occurrence: with a new text that cannot take part in a match
    // (and keeps the pieces around it apart), the outcome is the plain
    // leftmost replacement.
    s = original;
    bOk = s.replace(oldString, newString, 0, Str::ssmAll);
    QVR_FUZZ_CHECK(bOk == !matches.empty());
    if (!to.empty() && !sharesUnits(to, from))
        QVR_FUZZ_CHECK(qvrfuzz::textOf(s) == replaceAll(text, from, to));
    if (matches.empty())
        QVR_FUZZ_CHECK(s == original);

    // The first n and the rest of the modes: they end, and report sensibly.
    s = original;
    bOk = s.replace(oldString, newString, ulWhich, Str::ssmNum);
    if (ulWhich == 0 || ulWhich > matches.size())
        QVR_FUZZ_CHECK(!bOk && s == original);
    s = original;
    QVR_FUZZ_CHECK(!s.replace(oldString, newString, 1, static_cast<Str::SubStringMode>(3)) && s == original);
    s = original;
    bOk = s.removeString(oldString, ulWhich, Str::ssmAll);
    QVR_FUZZ_CHECK(bOk == !matches.empty());
    QVR_FUZZ_CHECK(s.getLength() <= text.size());
    s = original;
    bOk = s.removeString(oldString, ulWhich, Str::ssmNum);
    QVR_FUZZ_CHECK(bOk == (ulWhich >= 1 && ulWhich <= matches.size()));

    // A string replaced within itself.
    s = original;
    bOk = s.replace(s, newString, 1, Str::ssmOccur);
    QVR_FUZZ_CHECK(bOk == !text.empty());
    if (bOk)
        QVR_FUZZ_CHECK(qvrfuzz::textOf(s) == to);

    // Insertion at every third position and one past the end.
    for (size_t pos = 0; pos <= text.size() + 1; pos += 1 + text.size() / 3) {
        s = original;
        bOk = s.insert(newString, static_cast<uint32_t>(pos));
        bool bExpected = !to.empty() && pos <= text.size() && (!text.empty() || pos == 0);
        QVR_FUZZ_CHECK(bOk == bExpected);
        if (bOk)
            QVR_FUZZ_CHECK(qvrfuzz::textOf(s) == text.substr(0, pos) + to + text.substr(pos));
        else
            QVR_FUZZ_CHECK(s == original);
    }
    return 0;
}
