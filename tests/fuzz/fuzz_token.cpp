// getToken and split in both token modes: the separated fields joined with
// the delimiter give the text back, enclosed fields are what lies between
// delimiter pairs, and character removal leaves no selected character at
// the chosen ends.
#include "fuzz_support.h"

#include "core/qvr_dbllist.h"
#include "core/qvr_obj_node.h"
#include "core/qvr_wchar_string.h"

#include <cstdint>
#include <vector>

using qvrfuzz::units;

namespace {

typedef CQVRWCharString Str;
typedef CQVRDblList<CQVRObjNode<Str>> List;

// Longer texts add nothing but time: every field is found afresh.
const size_t kMaxText = 600;

std::vector<size_t> matchesOf(const units& text, const units& delimiter)
{
    std::vector<size_t> found;
    if (delimiter.empty() || text.size() < delimiter.size())
        return found;
    for (size_t i = 0; i + delimiter.size() <= text.size(); ++i) {
        if (text.compare(i, delimiter.size(), delimiter) == 0)
            found.push_back(i);
    }
    return found;
}

std::vector<units> fieldsOf(List& list)
{
    std::vector<units> fields;
    if (!list.moveFirst())
        return fields;
    do {
        Str* pValue = nullptr;
        QVR_FUZZ_CHECK(list.getCurrent(pValue) && pValue != nullptr);
        fields.push_back(qvrfuzz::textOf(*pValue));
    } while (list.moveNext());
    // Keys run 0, 1, 2, ... in both modes.
    for (uint32_t ulKey = 0; ulKey < fields.size(); ++ulKey) {
        Str* pValue = nullptr;
        QVR_FUZZ_CHECK(list.findKey(ulKey) && list.getCurrent(pValue) && qvrfuzz::textOf(*pValue) == fields[ulKey]);
    }
    return fields;
}

bool isSelected(unsigned short u, uint32_t characters)
{
    static const unsigned short kTable[] = {0x20, 0x09, 0x0C, 0x07, 0x0A, 0x08, 0x0D, 0x0B};
    for (uint32_t i = 0; i < 8; ++i) {
        if ((characters & (1u << i)) != 0 && u == kTable[i])
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    qvrfuzz::Reader in(pData, cb);
    uint8_t control = in.byte();
    uint32_t sides = in.byte() & 3;
    uint32_t characters = in.byte();
    units delimiter;
    for (uint32_t i = 1 + (control & 3); i > 0; --i)
        delimiter.push_back(qvrfuzz::smallAlphabetUnit(in.byte()));
    units text;
    while (in.left() > 0 && text.size() < kMaxText) {
        unsigned short u = qvrfuzz::smallAlphabetUnit(in.byte());
        text.push_back(u);
    }
    Str s = qvrfuzz::makeString(text);
    Str delim = qvrfuzz::makeString(delimiter);
    std::vector<size_t> matches = matchesOf(text, delimiter);
    bool bApart = true;  // no two matches share a unit
    for (size_t i = 1; i < matches.size(); ++i)
        bApart = bApart && matches[i] >= matches[i - 1] + delimiter.size();

    List list;
    bool bSplit = s.split(list, delim, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0));
    QVR_FUZZ_CHECK(bSplit == !text.empty());
    std::vector<units> fields = fieldsOf(list);
    QVR_FUZZ_CHECK(fields.size() == list.getCount());
    if (bApart && !text.empty()) {
        QVR_FUZZ_CHECK(fields.size() == matches.size() + 1);
        units joined;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                joined += delimiter;
            joined += fields[i];
        }
        QVR_FUZZ_CHECK(joined == text);
        // getToken hands out the same fields one by one, and no more.
        for (size_t i = 0; i < fields.size(); ++i) {
            Str field;
            QVR_FUZZ_CHECK(
                s.getToken(field, delim, static_cast<uint32_t>(i + 1), Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
            QVR_FUZZ_CHECK(qvrfuzz::textOf(field) == fields[i]);
        }
        Str untouched = qvrfuzz::makeString(delimiter);
        QVR_FUZZ_CHECK(!s.getToken(untouched, delim, static_cast<uint32_t>(fields.size() + 1), Str::tmSeparated,
                                   CQVRFlags(0), CQVRFlags(0)));
        QVR_FUZZ_CHECK(qvrfuzz::textOf(untouched) == delimiter);
    }

    bool bEnclosed = s.split(list, delim, Str::tmEnclosed, CQVRFlags(0), CQVRFlags(0));
    fields = fieldsOf(list);
    if (bApart && !text.empty()) {
        size_t expected = matches.empty() ? 1 : matches.size() / 2;
        QVR_FUZZ_CHECK(bEnclosed == (expected > 0));
        QVR_FUZZ_CHECK(fields.size() == expected);
        for (size_t k = 0; k < fields.size() && !matches.empty(); ++k) {
            size_t from = matches[2 * k] + delimiter.size();
            QVR_FUZZ_CHECK(fields[k] == text.substr(from, matches[2 * k + 1] - from));
        }
        if (matches.empty())
            QVR_FUZZ_CHECK(fields[0] == text);
    }

    // Character removal on every field: none of the selected characters is
    // left at a chosen end, nor anywhere when both ends are chosen.
    Str::TokenMode mode = (control & 4) != 0 ? Str::tmEnclosed : Str::tmSeparated;
    s.split(list, delim, mode, CQVRFlags(sides), CQVRFlags(characters));
    for (const units& field : fieldsOf(list)) {
        if (field.empty() || characters == 0)
            continue;
        if ((sides & 1) != 0)
            QVR_FUZZ_CHECK(!isSelected(field.front(), characters));
        if ((sides & 2) != 0)
            QVR_FUZZ_CHECK(!isSelected(field.back(), characters));
        if (sides == 3) {
            for (unsigned short u : field)
                QVR_FUZZ_CHECK(!isSelected(u, characters));
        }
    }

    // Trimming and skipping agree on where the kept text starts and ends.
    Str trimmed(s);
    if (trimmed.trim(static_cast<WCHAR>(0), CQVRFlags(3), CQVRFlags(characters))) {
        uint32_t ulFirst = 0;
        uint32_t ulLast = 0;
        bool bAny = s.skipCharacters(CQVRFlags(characters), Str::pmForward, ulFirst);
        QVR_FUZZ_CHECK(bAny == s.skipCharacters(CQVRFlags(characters), Str::pmBackward, ulLast));
        if (bAny)
            QVR_FUZZ_CHECK(qvrfuzz::textOf(trimmed) == text.substr(ulFirst, ulLast - ulFirst + 1));
        else
            QVR_FUZZ_CHECK(trimmed.isValid() && trimmed.getLength() == 0);
    }
    return 0;
}
