// One timed piece of work for scripts/bench: a string operation on a text of
// a given length, repeated. hyperfine times the whole process, so the same
// program also does the set-up alone ("copy"), which the script subtracts.
//
//   qvr_bench OPERATION LENGTH REPETITIONS
//
// Each repetition copies the text and runs the operation on the copy. The
// text is Lorem ipsum, cut to LENGTH characters; the operations look for
// "ipsum" in it.
#include "core/qvr_wchar_string.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

typedef CQVRWCharString Str;

const char kLorem[] = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt ut "
                      "labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ullamco "
                      "laboris nisi ut aliquip ex ea commodo consequat. Duis aute irure dolor in reprehenderit in "
                      "voluptate velit esse cillum dolore eu fugiat nulla pariatur. Excepteur sint occaecat "
                      "cupidatat non proident, sunt in culpa qui officia deserunt mollit anim id est laborum. "
                      "Curabitur ipsum pretium tincidunt lacus, nulla gravida orci a odio, ipsum nullam varius. ";

Str textOfLength(uint32_t ulLength)
{
    std::vector<unsigned short> units(ulLength);
    const size_t cbLorem = std::strlen(kLorem);
    for (uint32_t i = 0; i < ulLength; ++i)
        units[i] = static_cast<unsigned char>(kLorem[i % cbLorem]);
    return Str(CQVRBuffer<unsigned short>(units.data(), ulLength, 0));
}

Str ascii(const char* szText)
{
    std::vector<unsigned short> units(szText, szText + std::strlen(szText));
    return Str(CQVRBuffer<unsigned short>(units.data(), static_cast<uint32_t>(units.size()), 0));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: qvr_bench copy|find|countOf|replace|replaceKeeping|removeString LENGTH "
                             "REPETITIONS\n");
        return 2;
    }
    const std::string operation = argv[1];
    const uint32_t ulLength = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
    const uint32_t ulRepetitions = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    const Str text = textOfLength(ulLength);
    const Str ipsum = ascii("ipsum");
    const Str upper = ascii("IPSUM");
    const Str kept = ascii("<ipsum>");
    const uint32_t ulMatches = text.countOf(ipsum);

    // Whatever the work yields is summed and checked, so none of it can be
    // left out by the optimizer or go wrong unseen.
    uint64_t ullCheck = 0;
    uint64_t ullExpected = 0;
    for (uint32_t i = 0; i < ulRepetitions; ++i) {
        Str s(text);
        if (operation == "copy") {
            ullCheck += s.getLength();
            ullExpected += ulLength;
        } else if (operation == "find") {
            // The last match: the scan runs through nearly all of the text.
            uint32_t ulPos = 0;
            ullCheck += s.find(ipsum, ulMatches, Str::pmForward, ulPos) ? 1 : 0;
            ullExpected += 1;
        } else if (operation == "countOf") {
            ullCheck += s.countOf(ipsum);
            ullExpected += ulMatches;
        } else if (operation == "replace") {
            ullCheck += s.replace(ipsum, upper, 0, Str::ssmAll) ? s.countOf(upper) : 0;
            ullExpected += ulMatches;
        } else if (operation == "replaceKeeping") {
            // The new text holds the old one: every step skips what it put in.
            ullCheck += s.replace(ipsum, kept, 0, Str::ssmAll) ? s.getLength() - ulLength : 0;
            ullExpected += 2ull * ulMatches;
        } else if (operation == "removeString") {
            ullCheck += s.removeString(ipsum, 0, Str::ssmAll) ? ulLength - s.getLength() : 0;
            ullExpected += 5ull * ulMatches;
        } else {
            std::fprintf(stderr, "qvr_bench: unknown operation %s\n", operation.c_str());
            return 2;
        }
    }
    if (ullCheck != ullExpected) {
        std::fprintf(stderr, "qvr_bench: %s gave %llu, expected %llu\n", operation.c_str(),
                     static_cast<unsigned long long>(ullCheck), static_cast<unsigned long long>(ullExpected));
        return 1;
    }
    return 0;
}
