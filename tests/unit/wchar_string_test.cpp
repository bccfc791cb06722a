// The string's representation, assignment, ordering and search rules.
#include "core/qvr_wchar_string.h"
#include "qvr_test_helpers.h"
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::linesWith;
using qvrtest::narrow;
using qvrtest::S;
using qvrtest::Str;
using qvrtest::textOf;
using qvrtest::W;
using qvrtest::wstr;

namespace {

// A valid string of length 0: an array that holds only zeros.
Str validButEmpty()
{
    Str s = S("x");
    s[0] = 0;
    return s;
}

class WCharStringTest : public qvrtest::LoggedMachineTest {};

TEST_F(WCharStringTest, EmptyTextHasNoArray)
{
    const WCHAR* szNull = nullptr;
    Str fromNull(szNull);
    Str fromEmpty(W("").c_str());
    Str fromZero(static_cast<WCHAR>(0));
    for (const Str* s : {&fromNull, &fromEmpty, &fromZero}) {
        EXPECT_FALSE(s->isValid());
        EXPECT_EQ(s->getBuffer(), nullptr);
        EXPECT_EQ(s->getLength(), 0u);
        EXPECT_TRUE(*s == Str());
    }
    Str s = S("abc");
    s = W("").c_str();
    EXPECT_FALSE(s.isValid());
    s = S("abc");
    s = static_cast<WCHAR>(0);
    EXPECT_FALSE(s.isValid());
    const char* szNarrowNull = nullptr;
    EXPECT_FALSE(Str(szNarrowNull).isValid());
    EXPECT_FALSE(Str("").isValid());
}

TEST_F(WCharStringTest, TextAssignmentSizesExactlyToTheTerminator)
{
    Str s = S("abc");
    EXPECT_EQ(s.getSize(), 4u);
    EXPECT_EQ(s.getLength(), 3u);
    EXPECT_EQ(textOf(s), W("abc"));

    Str ch(static_cast<WCHAR>('q'));
    EXPECT_EQ(ch.getSize(), 2u);
    EXPECT_EQ(textOf(ch), W("q"));

    // Text taken from the string itself.
    s = s.getText() + 1;
    EXPECT_EQ(textOf(s), W("bc"));
    EXPECT_EQ(s.getSize(), 3u);
}

TEST_F(WCharStringTest, BufferAssignmentAddsATerminatorAndCutsAtTheFirstZero)
{
    const unsigned short noZero[] = {'a', 'b'};
    Str s(CQVRBuffer<unsigned short>(noZero, 2, 0));
    EXPECT_EQ(textOf(s), W("ab"));
    EXPECT_EQ(s.getSize(), 3u);

    const unsigned short earlyZero[] = {'x', 0, 'y', 'z'};
    s = CQVRBuffer<unsigned short>(earlyZero, 4, 0);
    EXPECT_EQ(textOf(s), W("x"));
    EXPECT_EQ(s.getSize(), 2u);

    s = CQVRBuffer<unsigned short>(3);
    EXPECT_FALSE(s.isValid());
}

// The buffer's own operations can leave a string without a terminator; the
// string then reads no further than its elements (under ASan a read past
// them would stop the test).
// The buffer operations the string has keep a terminator within its
// elements: a size that would cut it off gets one element more, and a write
// over it gets a new one. The text then reads, and copies, within the block.
TEST_F(WCharStringTest, TheBufferOperationsKeepATerminator)
{
    Str s = S("abc");
    ASSERT_TRUE(s.resize(3));
    EXPECT_EQ(4u, s.getSize());
    EXPECT_EQ("abc", narrow(textOf(s)));
    ASSERT_TRUE(s.resize(2));
    EXPECT_EQ(3u, s.getSize());
    EXPECT_EQ("ab", narrow(textOf(s)));
    const Str copy(s.getText());
    EXPECT_TRUE(copy == S("ab"));

    const CQVRBuffer<unsigned short> xyz(qvrUnits(QVR_T("xyz")), 3, 0);
    Str t = S("abc");
    ASSERT_TRUE(t.write(xyz, 1, false));  // over the terminator
    EXPECT_EQ(5u, t.getSize());
    EXPECT_EQ("axyz", narrow(textOf(t)));
    Str u = S("ab");
    ASSERT_TRUE(u.appendAt(xyz, 2));
    EXPECT_EQ("abxyz", narrow(textOf(u)));
    EXPECT_EQ(6u, u.getSize());
    ASSERT_TRUE(u.append(xyz));  // after all elements: the text stays
    EXPECT_EQ("abxyz", narrow(textOf(u)));
    EXPECT_EQ(u.getLength(), Str(u.getText()).getLength());
    t += S("!");
    EXPECT_EQ("axyz!", narrow(textOf(t)));
    ASSERT_TRUE(t.compact());
    EXPECT_EQ(6u, t.getSize());
}

// Every change either takes its whole result or leaves the string as it was,
// whichever allocation runs out; and leaves it terminated.
TEST_F(WCharStringTest, AChangeIsWholeOrUntouched)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    // Everything a change takes is made before the allocations are counted.
    const Str kFolder = S("C:\\Program Files\\Sentravault");
    const Str kOther = S("D:\\Other");
    const Str kTail = S("\\hook.dll");
    const Str kFiles = S("Files");
    const Str kProgramFiles = S("Program Files");
    const Str kProgramme = S("Programme");
    const Str kX = S("x");
    const Str kBackslash = S("\\");
    const CQVRBuffer<unsigned short> kUnits(qvrUnits(QVR_T("xyz")), 3, 0);
    const struct {
        const char* szName;
        std::function<void(Str&)> change;
    } cases[] = {
        {"= string", [&](Str& s) { s = kOther; }},
        {"= text", [&](Str& s) { s = kOther.getText(); }},
        {"= character", [](Str& s) { s = static_cast<WCHAR>('D'); }},
        {"= buffer", [&](Str& s) { s = kUnits; }},
        {"+=", [&](Str& s) { s += kTail; }},
        {"appendText", [&](Str& s) { s.appendText(kTail); }},
        {"replace", [&](Str& s) { s.replace(kProgramFiles, kProgramme, 1, Str::ssmOccur); }},
        {"insert", [&](Str& s) { s.insert(kX, 3); }},
        {"removeString", [&](Str& s) { s.removeString(kFiles, 1, Str::ssmOccur); }},
        {"cutLeft", [](Str& s) { s.cutLeft(3); }},
        {"deleteRange", [](Str& s) { s.deleteRange(0, 2, true, true); }},
        {"truncateAt", [&](Str& s) { s.truncateAt(kBackslash, 1, Str::pmBackward, true); }},
        {"resize", [](Str& s) { s.resize(3); }},
        {"write", [&](Str& s) { s.write(kUnits, 0, false); }},
        {"appendAt", [&](Str& s) { s.appendAt(kUnits, 2); }},
        {"allocate", [](Str& s) { s.allocate(4); }},
    };
    for (const auto& c : cases) {
        Str whole = kFolder;
        qvrsim::resetAllocations();
        c.change(whole);
        const size_t ulAllocations = qvrsim::allocationsMade();
        for (size_t n = 1; n <= ulAllocations; ++n) {
            Str s = kFolder;
            qvrsim::resetAllocations();
            qvrsim::failAllocation(n);
            c.change(s);
            EXPECT_TRUE(qvrSameElements(s, whole) || qvrSameElements(s, kFolder))
                << c.szName << ", allocation " << n << ": " << narrow(textOf(s));
            EXPECT_TRUE(!s.isValid() || s.getSize() > s.getLength()) << c.szName << ", allocation " << n;
        }
    }
#endif
}

TEST_F(WCharStringTest, CopiesKeepAllElementsAndCompactTrimsThem)
{
    Str s = S("abc");
    ASSERT_TRUE(s.resize(6));
    Str copy(s);
    EXPECT_EQ(copy.getSize(), 6u);
    Str assigned;
    assigned = s;
    EXPECT_EQ(assigned.getSize(), 6u);
    EXPECT_TRUE(assigned.compact());
    EXPECT_EQ(assigned.getSize(), 4u);
    EXPECT_EQ(textOf(assigned), W("abc"));

    Str zeroLength = validButEmpty();
    EXPECT_TRUE(zeroLength.compact());
    EXPECT_FALSE(zeroLength.isValid());
    EXPECT_FALSE(Str().compact());

    assigned = Str();
    EXPECT_FALSE(assigned.isValid());
}

TEST_F(WCharStringTest, NarrowTextBecomesCodeUnitsOfTheSameValue)
{
    Str s("Key\xC4");
    ASSERT_EQ(s.getLength(), 4u);
    EXPECT_EQ(s[0], 'K');
    EXPECT_EQ(s[3], 0xC4);
    EXPECT_EQ(s.getSize(), 5u);

    const char bytes[] = {'h', 'i'};
    Str fromBuffer;
    fromBuffer = CQVRBuffer<char>(bytes, 2, 0);
    EXPECT_EQ(textOf(fromBuffer), W("hi"));
    fromBuffer = CQVRBuffer<char>(0);
    EXPECT_FALSE(fromBuffer.isValid());
}

TEST_F(WCharStringTest, ConcatenationReplacesTheTerminator)
{
    Str s = S("ab");
    const unsigned short* pBefore = s.getBuffer();
    s += Str();
    EXPECT_EQ(s.getBuffer(), pBefore);
    s += validButEmpty();
    EXPECT_EQ(s.getBuffer(), pBefore);

    Str empty;
    empty += s;
    EXPECT_TRUE(empty == s);
    EXPECT_NE(empty.getBuffer(), s.getBuffer());

    s += S("cd");
    EXPECT_EQ(textOf(s), W("abcd"));
    EXPECT_EQ(s.getSize(), 5u);
    s += s;
    EXPECT_EQ(textOf(s), W("abcdabcd"));

    Str sum = S("x") + S("yz");
    EXPECT_EQ(textOf(sum), W("xyz"));
    EXPECT_EQ(textOf(Str() + S("q")), W("q"));
}

// A sum that ran out of memory half way would be another text (a folder's
// path without its file name): it is all of it or empty.
TEST_F(WCharStringTest, ASumIsWholeOrEmpty)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    const Str folder = S("C:\\Program Files\\");
    const Str name = S("hook.dll");
    qvrsim::resetAllocations();
    static_cast<void>(folder + name);
    const size_t ulAllocations = qvrsim::allocationsMade();
    ASSERT_GT(ulAllocations, 0u);
    for (size_t n = 1; n <= ulAllocations; ++n) {
        qvrsim::resetAllocations();
        qvrsim::failAllocation(n);
        const Str sum = folder + name;
        EXPECT_TRUE(textOf(sum) == W("C:\\Program Files\\hook.dll") || sum.getLength() == 0)
            << "allocation " << n << ": " << narrow(textOf(sum));
    }
#endif
}

TEST_F(WCharStringTest, EqualityIsByLengthAndCodeUnits)
{
    EXPECT_TRUE(S("abc") == S("abc"));
    EXPECT_FALSE(S("abc") == S("abcd"));
    EXPECT_FALSE(S("ABC") == S("abc"));
    EXPECT_TRUE(S("ABC") != S("abc"));
    EXPECT_TRUE(Str() == Str());
    // A valid string of length 0 is not the string without an array.
    EXPECT_FALSE(validButEmpty() == Str());
    // Elements after the terminator do not count.
    Str longer = S("abc");
    ASSERT_TRUE(longer.resize(8));
    EXPECT_TRUE(longer == S("abc"));
}

TEST_F(WCharStringTest, OrderingIsByCodeUnitWithPrefixesAndInvalidStringsFirst)
{
    EXPECT_TRUE(S("abc") < S("abd"));
    EXPECT_TRUE(S("ab") < S("abc"));
    EXPECT_TRUE(S("abc") > S("ab"));
    EXPECT_TRUE(S("b") > S("abc"));
    EXPECT_TRUE(Str() < S("a"));
    EXPECT_TRUE(Str() < validButEmpty());
    EXPECT_TRUE(validButEmpty() < S("a"));
    EXPECT_FALSE(Str() < Str());
    EXPECT_TRUE(Str() <= Str());
    Str high(static_cast<WCHAR>(0xE9));
    EXPECT_TRUE(S("z") < high);

    // Every pair answers the four operators consistently with ==.
    std::vector<Str> all = {Str(), validButEmpty(), S("a"), S("ab"), S("abc"), S("abd"), S("b"), S("B"), high};
    for (const Str& a : all) {
        for (const Str& b : all) {
            bool bLess = a < b;
            bool bGreater = a > b;
            bool bEqual = a == b;
            EXPECT_EQ(int(bLess) + int(bGreater) + int(bEqual), 1)
                << qvrtest::narrow(textOf(a)) << " / " << qvrtest::narrow(textOf(b));
            EXPECT_EQ(a <= b, bLess || bEqual);
            EXPECT_EQ(a >= b, bGreater || bEqual);
            EXPECT_EQ(bLess, b > a);
        }
    }
}

TEST_F(WCharStringTest, FindCountsOverlappingMatchesInBothDirections)
{
    Str s = S("aaaa");
    uint32_t ulPos = 99;
    ASSERT_TRUE(s.find(S("aa"), 2, Str::pmForward, ulPos));
    EXPECT_EQ(ulPos, 1u);
    ASSERT_TRUE(s.find(S("aa"), 1, Str::pmBackward, ulPos));
    EXPECT_EQ(ulPos, 2u);
    ASSERT_TRUE(s.find(S("aa"), 3, Str::pmBackward, ulPos));
    EXPECT_EQ(ulPos, 0u);

    ulPos = 99;
    EXPECT_FALSE(s.find(S("aa"), 4, Str::pmForward, ulPos));
    EXPECT_FALSE(S("abc").find(S("x"), 1, Str::pmForward, ulPos));
    EXPECT_EQ(ulPos, 99u);
    EXPECT_FALSE(Str().find(S("a"), 1, Str::pmForward, ulPos));
    EXPECT_FALSE(s.find(Str(), 1, Str::pmForward, ulPos));
    EXPECT_FALSE(s.find(validButEmpty(), 1, Str::pmForward, ulPos));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(WCharStringTest, FindRejectsImpossibleOccurrenceNumbers)
{
    Str s = S("abcd");
    uint32_t ulPos = 99;
    EXPECT_FALSE(s.find(S("a"), 0, Str::pmForward, ulPos));
    EXPECT_EQ(linesWith(m_log, "\"A bad argument was provided ( ulOccurrance ). value must be greater than 0\"").size(),
              1u);
    EXPECT_FALSE(s.find(S("a"), 5, Str::pmBackward, ulPos));
    EXPECT_EQ(linesWith(m_log, "\"A bad argument was provided ( ulOccurrance ). value is impossible since it is "
                               "larger than the length of this string\"")
                  .size(),
              1u);
    EXPECT_EQ(ulPos, 99u);
    // A substring longer than the string is simply not found.
    EXPECT_FALSE(S("ab").find(S("abc"), 0, Str::pmForward, ulPos));
    EXPECT_EQ(qvrtest::readLogLines(m_log).size(), 2u);
}

TEST_F(WCharStringTest, CountAndOccurrenceAgreeWithRepeatedFind)
{
    EXPECT_EQ(S("aaaa").countOf(S("aa")), 3u);
    EXPECT_EQ(S("a,b,c").countOf(S(",")), 2u);
    EXPECT_EQ(S("abc").countOf(S("abcd")), 0u);
    EXPECT_EQ(Str().countOf(S("a")), 0u);

    const char* texts[] = {"aaaa", "abab a", "xaxxax", "aaa"};
    const char* subs[] = {"a", "aa", "ab", "ax", "x"};
    for (const char* szText : texts) {
        Str s = S(szText);
        for (const char* szSub : subs) {
            Str sub = S(szSub);
            uint32_t ulCount = 0;
            uint32_t ulPos = 0;
            while (ulCount < s.getLength() && s.find(sub, ulCount + 1, Str::pmForward, ulPos))
                ++ulCount;
            EXPECT_EQ(s.countOf(sub), ulCount) << szText << " / " << szSub;
            for (Str::ParseMode mode : {Str::pmForward, Str::pmBackward}) {
                for (uint32_t k = 1; k <= ulCount; ++k) {
                    ASSERT_TRUE(s.find(sub, k, mode, ulPos));
                    uint32_t ulOccurrance = 0;
                    ASSERT_TRUE(s.getOccurrence(sub, ulPos, mode, ulOccurrance));
                    EXPECT_EQ(ulOccurrance, k) << szText << " / " << szSub << " mode " << mode;
                }
            }
        }
    }
    uint32_t ulOccurrance = 7;
    EXPECT_FALSE(S("abab").getOccurrence(S("ab"), 1, Str::pmForward, ulOccurrance));
    EXPECT_EQ(ulOccurrance, 7u);
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(WCharStringTest, ConvertOccurrenceNumbersTheMatchFromTheOtherEnd)
{
    uint32_t ulResult = 0;
    ASSERT_TRUE(S("a,b,c").convertOccurrence(S(","), 1, Str::pmForward, ulResult));
    EXPECT_EQ(ulResult, 2u);
    ASSERT_TRUE(S("a,b,c").convertOccurrence(S(","), 2, Str::pmBackward, ulResult));
    EXPECT_EQ(ulResult, 1u);
    EXPECT_FALSE(S("a,b,c").convertOccurrence(S(","), 3, Str::pmForward, ulResult));

    EXPECT_FALSE(S("abc").convertOccurrence(Str(), 1, Str::pmForward, ulResult));
    EXPECT_EQ(linesWith(m_log, "\"A bad argument was provided ( subString ). must contain a string\"").size(), 1u);
    EXPECT_FALSE(S("abc").convertOccurrence(S("b"), 1, static_cast<Str::ParseMode>(3), ulResult));
    EXPECT_EQ(linesWith(m_log, "\"A bad argument was provided ( parseMode ). invalid parse mode\"").size(), 1u);
}

TEST_F(WCharStringTest, ContainsBeginsWithAndEndsWith)
{
    Str s = S("install.log");
    EXPECT_TRUE(s.contains(S("all")));
    EXPECT_FALSE(s.contains(S("ALL")));
    EXPECT_TRUE(s.beginsWith(S("inst")));
    EXPECT_FALSE(s.beginsWith(S("nst")));
    EXPECT_TRUE(s.endsWith(S(".log")));
    EXPECT_FALSE(s.endsWith(S(".lo")));
    EXPECT_TRUE(S("abab").endsWith(S("ab")));
    EXPECT_TRUE(s.beginsWith(s));
    EXPECT_FALSE(S("ab").beginsWith(S("abc")));
    EXPECT_FALSE(S("ab").endsWith(S("zab")));
    EXPECT_FALSE(Str().beginsWith(S("a")));
    EXPECT_FALSE(s.endsWith(Str()));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(WCharStringTest, BeginsWithAndEndsWithTraceALogicalResult)
{
    m_log = qvrtest::enableTextLog(0x031B);
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    EXPECT_FALSE(S("abc").endsWith(S("b")));
    EXPECT_TRUE(S("abc").beginsWith(S("a")));
    std::vector<wstr> ends = linesWith(m_log, "CQVRWCharString::endsWith");
    std::vector<wstr> begins = linesWith(m_log, "CQVRWCharString::beginsWith");
    ASSERT_GE(ends.size(), 2u);
    ASSERT_GE(begins.size(), 2u);
    EXPECT_NE(ends.back().find(W("<Failed Logical Result> ")), wstr::npos);
    EXPECT_NE(begins.back().find(W("<Passed> ")), wstr::npos);
}

TEST_F(WCharStringTest, CharacterOperationsWorkOnTheTextOnly)
{
    Str s(W("\xC3\x80"
            "BC[Z]")
              .c_str());
    ASSERT_TRUE(s.toLower());
    EXPECT_EQ(textOf(s), W("\xC3\x80"
                           "bc[z]"));

    Str r = S("abc");
    ASSERT_TRUE(r.resize(6));
    ASSERT_TRUE(r.reverse());
    EXPECT_EQ(textOf(r), W("cba"));
    EXPECT_EQ(r.getSize(), 6u);
    EXPECT_EQ(r[3], 0);

    Str none;
    EXPECT_FALSE(none.toLower());
    EXPECT_FALSE(none.reverse());
}

TEST_F(WCharStringTest, ElementAccessPastTheTextThrowsToTheCaller)
{
    Str s = S("ab");
    EXPECT_EQ(s[2], 0);
    EXPECT_THROW(s[3], CQVRIndexOutOfBoundsException);
    EXPECT_THROW(Str()[0], CQVRIndexOutOfBoundsException);
}

}  // namespace
