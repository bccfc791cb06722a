// The string's editing operations: cutting, positions, delimiters, substring
// modes, whitespace and fields.
#include "core/qvr_dbllist.h"
#include "core/qvr_obj_node.h"
#include "core/qvr_wchar_string.h"
#include "qvr_test_helpers.h"
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <vector>

using qvrtest::badArgLines;
using qvrtest::linesWith;
using qvrtest::S;
using qvrtest::Str;
using qvrtest::textOf;
using qvrtest::W;
using qvrtest::wstr;

namespace {

typedef CQVRDblList<CQVRObjNode<Str>> List;

std::vector<wstr> fieldsOf(List& list)
{
    std::vector<wstr> fields;
    for (uint32_t ulKey = 0; ulKey < list.getCount(); ++ulKey) {
        Str* pValue = nullptr;
        if (!list.findKey(ulKey) || !list.getCurrent(pValue))
            break;
        fields.push_back(textOf(*pValue));
    }
    return fields;
}

const uint32_t kBothEnds = 3;
const uint32_t kAllWhitespace = 255;

class WCharStringEditingTest : public qvrtest::LoggedMachineTest {};

// --- cutting ------------------------------------------------------------------

TEST_F(WCharStringEditingTest, CuttingNeverFailsOnCounts)
{
    Str s = S("abcdef");
    Str out;
    ASSERT_TRUE(s.getCutRight(out, 2));
    EXPECT_EQ(textOf(out), W("abcd"));
    EXPECT_EQ(out.getSize(), 5u);
    ASSERT_TRUE(s.getCutLeft(out, 2));
    EXPECT_EQ(textOf(out), W("cdef"));
    ASSERT_TRUE(s.getCutLeft(out, 6));
    EXPECT_FALSE(out.isValid());
    ASSERT_TRUE(s.getCutRight(out, 4000000000u));
    EXPECT_FALSE(out.isValid());
    ASSERT_TRUE(s.getCutRight(out, 0));
    EXPECT_TRUE(out == s);
    EXPECT_EQ(textOf(s), W("abcdef"));

    EXPECT_EQ(textOf(s.cutLeft(1).cutRight(1)), W("bcde"));
    EXPECT_EQ(s.getSize(), 5u);
    EXPECT_FALSE(s.cutRight(5).isValid());
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// --- deleteRange and extractInside -----------------------------------------------

TEST_F(WCharStringEditingTest, DeleteRangeForwardAndWrapping)
{
    struct Case {
        uint32_t ulStart, ulEnd;
        bool bStart, bEnd;
        const char* szResult;
    } cases[] = {
        {1, 4, false, false, "abef"}, {1, 4, true, true, "af"},     {1, 4, true, false, "aef"},
        {0, 5, true, true, ""},       {4, 1, false, false, "bcde"}, {4, 1, true, false, "bcd"},
        {4, 1, false, true, "cde"},   {1, 0, true, true, ""},       {5, 0, false, false, "abcdef"},
    };
    for (const Case& c : cases) {
        Str s = S("abcdef");
        EXPECT_TRUE(s.deleteRange(c.ulStart, c.ulEnd, c.bStart, c.bEnd)) << c.ulStart << "," << c.ulEnd;
        EXPECT_EQ(textOf(s), W(c.szResult)) << c.ulStart << "," << c.ulEnd << " " << c.bStart << c.bEnd;
    }
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(WCharStringEditingTest, DeleteRangeRejectsPositionsInOrder)
{
    Str s = S("abc");
    EXPECT_FALSE(s.deleteRange(3, 9, false, false));
    EXPECT_EQ(badArgLines(m_log, "ulStartPos", "start position is past the end of the string"), 1u);
    EXPECT_FALSE(s.deleteRange(0, 3, false, false));
    EXPECT_EQ(badArgLines(m_log, "ulEndPos", "end position is past the end of the string"), 1u);
    EXPECT_FALSE(s.deleteRange(1, 1, true, true));
    EXPECT_EQ(badArgLines(m_log, "ulEndPos & ulStartPos", "start and end positions can't be equal"), 1u);
    EXPECT_EQ(textOf(s), W("abc"));
    Str none;
    EXPECT_FALSE(none.deleteRange(0, 1, false, false));
    EXPECT_EQ(qvrtest::readLogLines(m_log).size(), 3u);
}

TEST_F(WCharStringEditingTest, ExtractInsideTakesTheRangeWithChosenBoundaries)
{
    Str s = S("abcdef");
    Str out;
    ASSERT_TRUE(s.extractInside(out, 1, 3, true, true));
    EXPECT_EQ(textOf(out), W("bcd"));
    ASSERT_TRUE(s.extractInside(out, 1, 3, false, false));
    EXPECT_EQ(textOf(out), W("c"));
    ASSERT_TRUE(s.extractInside(out, 1, 3, true, false));
    EXPECT_EQ(textOf(out), W("bc"));
    ASSERT_TRUE(s.extractInside(out, 0, 5, false, true));
    EXPECT_EQ(textOf(out), W("bcdef"));
    ASSERT_TRUE(s.extractInside(out, 2, 2, false, false));
    EXPECT_FALSE(out.isValid());
    ASSERT_TRUE(s.extractInside(out, 2, 2, false, true));
    EXPECT_EQ(textOf(out), W("c"));
    EXPECT_EQ(textOf(s), W("abcdef"));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(WCharStringEditingTest, ExtractInsideFailuresLeaveTheOutputAlone)
{
    Str s = S("abcdef");
    Str out = S("keep");
    EXPECT_FALSE(s.extractInside(out, 3, 1, true, true));
    EXPECT_EQ(badArgLines(m_log, "ulStartPos",
                          "start position can't be greater than end position - use extractOutside( ) or "
                          "deleteRange( ) instead"),
              1u);
    // The wrapped deletion speaks from its own point of view: our end is its start.
    EXPECT_FALSE(s.extractInside(out, 1, 6, true, true));
    EXPECT_EQ(badArgLines(m_log, "ulStartPos", "start position is past the end of the string"), 1u);
    // A single character past the text cannot be handed out.
    EXPECT_FALSE(s.extractInside(out, 6, 6, true, false));
    EXPECT_EQ(badArgLines(m_log, "ulStartPos", "start position is past the end of the string"), 2u);
    EXPECT_EQ(textOf(out), W("keep"));
}

// --- delimiters -------------------------------------------------------------------

TEST_F(WCharStringEditingTest, ExtractBetweenIncludesTheChosenDelimiters)
{
    Str s = S("x<<a>b<<c>>y");
    Str out;
    ASSERT_TRUE(s.extractBetween(out, S("<<"), 1, S(">"), 1, false, false));
    EXPECT_EQ(textOf(out), W("a>b<<c>"));
    ASSERT_TRUE(s.extractBetween(out, S("<<"), 1, S(">"), 1, true, true));
    EXPECT_EQ(textOf(out), W("<<a>b<<c>>"));
    ASSERT_TRUE(s.extractBetween(out, S("<<"), 2, S(">"), 2, true, false));
    EXPECT_EQ(textOf(out), W("<<c"));
    ASSERT_TRUE(s.extractBetween(out, S("<<"), 1, S(">"), 3, false, true));
    EXPECT_EQ(textOf(out), W("a>"));
    ASSERT_TRUE(s.extractBetween(out, S("a"), 1, S("b"), 1, false, false));
    EXPECT_EQ(textOf(out), W(">"));
    // Adjacent delimiters hold an empty text.
    ASSERT_TRUE(S("a,,b").extractBetween(out, S(","), 1, S(","), 1, false, false));
    EXPECT_FALSE(out.isValid());

    out = S("keep");
    EXPECT_FALSE(s.extractBetween(out, S("["), 1, S(">"), 1, false, false));
    EXPECT_FALSE(s.extractBetween(out, S("<<"), 1, S("]"), 1, false, false));
    EXPECT_EQ(textOf(out), W("keep"));
}

TEST_F(WCharStringEditingTest, TruncateAtKeepsOneSideOfTheMatch)
{
    Str s = S("a/b/c");
    ASSERT_TRUE(s.truncateAt(S("/"), 1, Str::pmForward, false));
    EXPECT_EQ(textOf(s), W("/b/c"));
    s = S("a/b/c");
    ASSERT_TRUE(s.truncateAt(S("/"), 1, Str::pmForward, true));
    EXPECT_EQ(textOf(s), W("b/c"));
    s = S("a/b/c");
    ASSERT_TRUE(s.truncateAt(S("/"), 1, Str::pmBackward, false));
    EXPECT_EQ(textOf(s), W("a/b/"));
    s = S("a/b/c");
    ASSERT_TRUE(s.truncateAt(S("/"), 2, Str::pmBackward, true));
    EXPECT_EQ(textOf(s), W("a"));
    s = S("a/b/c");
    EXPECT_FALSE(s.truncateAt(S("/"), 3, Str::pmForward, true));
    EXPECT_FALSE(s.truncateAt(S("/"), 1, static_cast<Str::ParseMode>(3), true));
    EXPECT_FALSE(s.truncateAt(S("x"), 1, Str::pmForward, true));
    EXPECT_EQ(textOf(s), W("a/b/c"));
    // The match at the very end leaves nothing after it.
    ASSERT_TRUE(s.truncateAt(S("c"), 1, Str::pmForward, true));
    EXPECT_FALSE(s.isValid());
}

TEST_F(WCharStringEditingTest, ExtractPartGivesTheTextBeforeOrAfterAnOccurrence)
{
    Str s = S("C:\\dir\\sub\\file.txt");
    Str out;
    ASSERT_TRUE(s.extractPart(out, S("\\"), 2, Str::pmForward, false));
    EXPECT_EQ(textOf(out), W("C:\\dir"));
    ASSERT_TRUE(s.extractPart(out, S("\\"), 2, Str::pmForward, true));
    EXPECT_EQ(textOf(out), W("C:\\dir\\"));
    ASSERT_TRUE(s.extractPart(out, S("\\"), 1, Str::pmBackward, false));
    EXPECT_EQ(textOf(out), W("file.txt"));
    ASSERT_TRUE(s.extractPart(out, S("\\"), 3, Str::pmBackward, true));
    EXPECT_EQ(textOf(out), W("\\dir\\sub\\file.txt"));
    out = S("keep");
    EXPECT_FALSE(s.extractPart(out, S("\\"), 4, Str::pmForward, false));
    EXPECT_FALSE(s.extractPart(out, Str(), 1, Str::pmForward, false));
    EXPECT_EQ(badArgLines(m_log, "subString", "must contain a string"), 1u);
    EXPECT_EQ(textOf(out), W("keep"));
    EXPECT_EQ(textOf(s), W("C:\\dir\\sub\\file.txt"));
}

// --- insert, removeString, replace ----------------------------------------------

TEST_F(WCharStringEditingTest, InsertAtEveryPositionAndBeyond)
{
    Str s = S("ace");
    ASSERT_TRUE(s.insert(S("b"), 1));
    ASSERT_TRUE(s.insert(S("d"), 3));
    ASSERT_TRUE(s.insert(S(">"), 0));
    ASSERT_TRUE(s.insert(S("<"), s.getLength()));
    EXPECT_EQ(textOf(s), W(">abcde<"));
    EXPECT_EQ(s.getSize(), 8u);
    ASSERT_TRUE(s.insert(s, 1));
    EXPECT_EQ(textOf(s), W(">>abcde<abcde<"));

    s = S("ab");
    EXPECT_FALSE(s.insert(S("x"), 3));
    EXPECT_EQ(badArgLines(m_log, "ulPos", "position is out of string bounds"), 1u);
    EXPECT_FALSE(s.insert(Str(), 0));
    EXPECT_EQ(badArgLines(m_log, "string", "can't insert an invalid string"), 1u);
    EXPECT_EQ(textOf(s), W("ab"));

    Str empty;
    EXPECT_FALSE(empty.insert(S("x"), 1));
    EXPECT_EQ(qvrtest::readLogLines(m_log).size(), 2u);
    ASSERT_TRUE(empty.insert(S("x"), 0));
    EXPECT_EQ(textOf(empty), W("x"));
}

TEST_F(WCharStringEditingTest, RemoveStringUnderEachMode)
{
    Str s = S("aaaa");
    ASSERT_TRUE(s.removeString(S("aa"), 0, Str::ssmAll));
    EXPECT_FALSE(s.isValid());

    s = S("a-b-c-d");
    ASSERT_TRUE(s.removeString(S("-"), 2, Str::ssmOccur));
    EXPECT_EQ(textOf(s), W("a-bc-d"));
    ASSERT_TRUE(s.removeString(S("-"), 1, Str::ssmNum));
    EXPECT_EQ(textOf(s), W("abc-d"));
    EXPECT_EQ(s.getSize(), 6u);
    s = S("a-b-c-d");
    ASSERT_TRUE(s.removeString(S("-"), 3, Str::ssmNum));
    EXPECT_EQ(textOf(s), W("abcd"));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());

    s = S("aaaa");
    EXPECT_FALSE(s.removeString(S("aa"), 4, Str::ssmOccur));
    EXPECT_EQ(badArgLines(m_log, "ulOccurrance", "there aren't enough strings to accommodate ulOccurrance"), 1u);
    EXPECT_FALSE(s.removeString(S("aa"), 0, Str::ssmOccur));
    EXPECT_EQ(badArgLines(m_log, "ulOccurrance", "ssmOccur mode requires ulOccurrance to be greater than 0"), 1u);
    EXPECT_FALSE(s.removeString(S("aa"), 0, Str::ssmNum));
    EXPECT_EQ(badArgLines(m_log, "ulOccurrance", "ssmNum mode requires ulOccurrance to be greater than 0"), 1u);
    EXPECT_FALSE(s.removeString(S("aa"), 4, Str::ssmNum));
    EXPECT_EQ(badArgLines(m_log, "ulOccurrance", "there aren't enough strings to accommodate ulOccurrance"), 2u);
    EXPECT_FALSE(s.removeString(S("aa"), 1, static_cast<Str::SubStringMode>(3)));
    EXPECT_EQ(badArgLines(m_log, "subStringMode", "invalid mode"), 1u);
    EXPECT_EQ(textOf(s), W("aaaa"));
    // Nothing to remove, or nothing to remove it from: false, nothing logged.
    EXPECT_FALSE(s.removeString(S("b"), 1, Str::ssmOccur));
    EXPECT_FALSE(Str().removeString(S("b"), 1, Str::ssmOccur));
    EXPECT_EQ(qvrtest::readLogLines(m_log).size(), 5u);
    ASSERT_TRUE(s.removeString(s, 1, Str::ssmOccur));
    EXPECT_FALSE(s.isValid());
}

TEST_F(WCharStringEditingTest, ReplaceOneOccurrenceOrTheFirstFew)
{
    Str s = S("x.y.z");
    ASSERT_TRUE(s.replace(S("."), S("::"), 1, Str::ssmOccur));
    EXPECT_EQ(textOf(s), W("x::y.z"));
    s = S("x.y.z");
    ASSERT_TRUE(s.replace(S("."), S("::"), 2, Str::ssmOccur));
    EXPECT_EQ(textOf(s), W("x.y::z"));
    s = S("x.y.z.w");
    ASSERT_TRUE(s.replace(S("."), S("-"), 2, Str::ssmNum));
    EXPECT_EQ(textOf(s), W("x-y-z.w"));
    s = S("x.y.z");
    ASSERT_TRUE(s.replace(S("."), Str(), 1, Str::ssmOccur));
    EXPECT_EQ(textOf(s), W("xy.z"));
    // The new text holds the old one: the copies put in are stepped over.
    s = S("a.b.c");
    ASSERT_TRUE(s.replace(S("."), S(".."), 2, Str::ssmNum));
    EXPECT_EQ(textOf(s), W("a..b..c"));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(WCharStringEditingTest, ReplaceEveryOccurrence)
{
    Str s = S("ababab");
    ASSERT_TRUE(s.replace(S("ab"), S("a"), 0, Str::ssmAll));
    EXPECT_EQ(textOf(s), W("aaa"));
    s = S("aaa");
    ASSERT_TRUE(s.replace(S("a"), S("aa"), 0, Str::ssmAll));
    EXPECT_EQ(textOf(s), W("aaaaaa"));
    s = S("%1 and %1");
    ASSERT_TRUE(s.replace(S("%1"), S("C:\\%1\\x"), 0, Str::ssmAll));
    EXPECT_EQ(textOf(s), W("C:\\%1\\x and C:\\%1\\x"));
    // Overlapping matches count, but vanish with the ones replaced first.
    s = S("aaaa");
    ASSERT_TRUE(s.replace(S("aa"), S("b"), 0, Str::ssmAll));
    EXPECT_EQ(textOf(s), W("bb"));
    s = S("abc");
    ASSERT_TRUE(s.replace(s, S("x"), 1, Str::ssmOccur));
    EXPECT_EQ(textOf(s), W("x"));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(WCharStringEditingTest, ReplaceRejectsItsArgumentsAndLeavesTheText)
{
    Str s = S("a.b");
    EXPECT_FALSE(s.replace(S("."), S("-"), 0, Str::ssmOccur));
    EXPECT_EQ(badArgLines(m_log, "ulOccurrance", "ssmOccur mode requires ulOccurrance to be greater than 0"), 1u);
    EXPECT_FALSE(s.replace(S("."), S("-"), 2, Str::ssmOccur));
    EXPECT_EQ(badArgLines(m_log, "ulOccurrance", "occurrance is out of bounds"), 1u);
    EXPECT_FALSE(s.replace(S("."), S("-"), 0, Str::ssmNum));
    EXPECT_EQ(badArgLines(m_log, "ulOccurrance", "ssmNum mode requires ulOccurrance to be greater than 0"), 1u);
    EXPECT_FALSE(s.replace(S("."), S("-"), 2, Str::ssmNum));
    EXPECT_EQ(badArgLines(m_log, "ulOccurrance", "there aren't enough strings to accommodate ulOccurrance"), 1u);
    EXPECT_FALSE(s.replace(S("."), S("-"), 1, static_cast<Str::SubStringMode>(0)));
    EXPECT_EQ(badArgLines(m_log, "subStringMode", "invalid mode"), 1u);
    EXPECT_FALSE(s.replace(Str(), S("-"), 1, Str::ssmOccur));
    EXPECT_EQ(badArgLines(m_log, "oldString", "string is invalid"), 1u);
    EXPECT_EQ(qvrtest::readLogLines(m_log).size(), 6u);
    EXPECT_FALSE(s.replace(S(","), S("-"), 1, Str::ssmOccur));
    EXPECT_FALSE(Str().replace(S("."), S("-"), 1, Str::ssmOccur));
    EXPECT_EQ(qvrtest::readLogLines(m_log).size(), 6u);
    EXPECT_EQ(textOf(s), W("a.b"));
}

// Each step works on the text the steps before it left: pieces joined by a
// removal or a replacement make matches of their own, overlapping ones
// vanish, and the occurrence number moves past the copies put in.
TEST_F(WCharStringEditingTest, EachStepTakesTheOccurrenceThereByThen)
{
    const char* const kRemove = nullptr;
    struct Case {
        const char* szText;
        const char* szOld;
        const char* szNew;  // kRemove: removeString
        uint32_t ulOccurrance;
        Str::SubStringMode mode;
        bool bResult;
        const char* szExpected;
    };
    const Case kCases[] = {
        {"aabb", "ab", kRemove, 0, Str::ssmAll, true, "ab"},      {"aabbab", "ab", kRemove, 0, Str::ssmAll, true, "ab"},
        {"aaabbb", "ab", kRemove, 0, Str::ssmAll, true, "aabb"},  {"aaaa", "aa", kRemove, 3, Str::ssmNum, true, ""},
        {"aaaa", "aa", kRemove, 2, Str::ssmOccur, true, "aa"},    {"aabab", "ab", "b", 0, Str::ssmAll, true, "bab"},
        {"xaabab", "ab", "b", 2, Str::ssmNum, true, "xbab"},      {"aaaa", "aa", "b", 3, Str::ssmNum, false, "bb"},
        {"aaaa", "aa", "aab", 0, Str::ssmAll, true, "aabaab"},    {"aaaa", "aa", "aab", 2, Str::ssmNum, true, "aabaab"},
        {"a.b..c", ".", "..", 0, Str::ssmAll, true, "a..b....c"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.szText) + " / " + c.szOld + " / " + (c.szNew == kRemove ? "(removed)" : c.szNew));
        Str s = S(c.szText);
        bool bResult = c.szNew == kRemove ? s.removeString(S(c.szOld), c.ulOccurrance, c.mode)
                                          : s.replace(S(c.szOld), S(c.szNew), c.ulOccurrance, c.mode);
        EXPECT_EQ(bResult, c.bResult);
        EXPECT_EQ(textOf(s), W(c.szExpected));
        EXPECT_EQ(s.getSize(), *c.szExpected == 0 ? 0u : s.getLength() + 1);
    }
    // The string as the new text: what it held before the call goes in.
    Str s = S("ab");
    ASSERT_TRUE(s.replace(S("a"), s, 0, Str::ssmAll));
    EXPECT_EQ(textOf(s), W("abb"));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// Long texts, where the text built grows past what was set aside for it.
TEST_F(WCharStringEditingTest, EditsOfLongTexts)
{
    wstr text;
    for (int i = 0; i < 20000; ++i)
        text += W("ipsum, ");
    Str s(text.c_str());
    ASSERT_TRUE(s.replace(S("ipsum"), S("<ipsum ipsum>"), 0, Str::ssmAll));
    EXPECT_EQ(s.getLength(), 20000u * 15);
    EXPECT_EQ(s.countOf(S("ipsum")), 40000u);
    ASSERT_TRUE(s.removeString(S("ipsum"), 0, Str::ssmAll));
    EXPECT_EQ(s.getLength(), 20000u * 5);
    ASSERT_TRUE(s.removeString(S("< >, "), 19999, Str::ssmNum));
    EXPECT_EQ(textOf(s), W("< >, "));
}

// --- whitespace -------------------------------------------------------------------

TEST_F(WCharStringEditingTest, TrimStripsTheCharacterAndSelectedWhitespace)
{
    Str s(W(" \t x y\r\n ").c_str());
    ASSERT_TRUE(s.trim(QVR_T(' '), CQVRFlags(kBothEnds), CQVRFlags(kAllWhitespace)));
    EXPECT_EQ(textOf(s), W("x y"));

    // Only the ends chosen, only the characters chosen.
    s = W("\t-x-\t").c_str();
    ASSERT_TRUE(s.trim(QVR_T('-'), CQVRFlags(2), CQVRFlags(2)));
    EXPECT_EQ(textOf(s), W("\t-x"));
    // The trailing pass writes zeros and does not shrink the array.
    EXPECT_EQ(s.getSize(), 6u);
    ASSERT_TRUE(s.trim(QVR_T('-'), CQVRFlags(1), CQVRFlags(2)));
    EXPECT_EQ(textOf(s), W("x"));
    EXPECT_EQ(s.getSize(), 2u);
    s = W("\tx").c_str();
    ASSERT_TRUE(s.trim(QVR_T(' '), CQVRFlags(kBothEnds), CQVRFlags(1)));
    EXPECT_EQ(textOf(s), W("\tx"));

    EXPECT_FALSE(Str().trim(QVR_T(' '), CQVRFlags(kBothEnds), CQVRFlags(kAllWhitespace)));
}

TEST_F(WCharStringEditingTest, TrimOfOnlyBlanksKeepsAValidEmptyString)
{
    Str s = S("   ");
    ASSERT_TRUE(s.trim(QVR_T(' '), CQVRFlags(kBothEnds), CQVRFlags(kAllWhitespace)));
    EXPECT_TRUE(s.isValid());
    EXPECT_EQ(s.getLength(), 0u);
    EXPECT_FALSE(s == Str());
    // From the leading end alone the blanks are cut off, array and all.
    s = S("   ");
    ASSERT_TRUE(s.trim(QVR_T(' '), CQVRFlags(1), CQVRFlags(0)));
    EXPECT_FALSE(s.isValid());
}

TEST_F(WCharStringEditingTest, SkipCharactersFindsTheFirstAndLastOtherCharacter)
{
    Str s(W("\t x y \n").c_str());
    uint32_t ulPos = 99;
    ASSERT_TRUE(s.skipCharacters(CQVRFlags(kAllWhitespace), Str::pmForward, ulPos));
    EXPECT_EQ(ulPos, 2u);
    ASSERT_TRUE(s.skipCharacters(CQVRFlags(kAllWhitespace), Str::pmBackward, ulPos));
    EXPECT_EQ(ulPos, 4u);
    ASSERT_TRUE(s.skipCharacters(CQVRFlags(1), Str::pmForward, ulPos));
    EXPECT_EQ(ulPos, 0u);
    ulPos = 99;
    EXPECT_FALSE(S(" \t ").skipCharacters(CQVRFlags(3), Str::pmBackward, ulPos));
    EXPECT_FALSE(Str().skipCharacters(CQVRFlags(3), Str::pmForward, ulPos));
    EXPECT_EQ(ulPos, 99u);
}

TEST_F(WCharStringEditingTest, RemoveCharactersByRegion)
{
    const char* szText = " \ta b\t ";
    Str s(W(szText).c_str());
    ASSERT_TRUE(s.removeCharacters(CQVRFlags(1), CQVRFlags(kAllWhitespace)));
    EXPECT_EQ(textOf(s), W("a b\t "));
    s = W(szText).c_str();
    ASSERT_TRUE(s.removeCharacters(CQVRFlags(2), CQVRFlags(kAllWhitespace)));
    EXPECT_EQ(textOf(s), W(" \ta b"));
    s = W(szText).c_str();
    ASSERT_TRUE(s.removeCharacters(CQVRFlags(kBothEnds), CQVRFlags(kAllWhitespace)));
    EXPECT_EQ(textOf(s), W("ab"));
    s = W(szText).c_str();
    // Tabs only: the blanks at the ends are not selected, so all is middle.
    ASSERT_TRUE(s.removeCharacters(CQVRFlags(kBothEnds), CQVRFlags(2)));
    EXPECT_EQ(textOf(s), W(" a b "));
    // No sides or no characters: nothing to do.
    s = W(szText).c_str();
    ASSERT_TRUE(s.removeCharacters(CQVRFlags(0), CQVRFlags(kAllWhitespace)));
    ASSERT_TRUE(s.removeCharacters(CQVRFlags(kBothEnds), CQVRFlags(0)));
    EXPECT_EQ(textOf(s), W(szText));
    EXPECT_TRUE(Str().removeCharacters(CQVRFlags(kBothEnds), CQVRFlags(kAllWhitespace)));
}

TEST_F(WCharStringEditingTest, RemoveCharactersOfOnlySelectedCharactersEmptiesTheChosenEnds)
{
    for (uint32_t ulSides : {1u, 2u, 3u}) {
        Str s(W(" \t ").c_str());
        ASSERT_TRUE(s.removeCharacters(CQVRFlags(ulSides), CQVRFlags(kAllWhitespace)));
        EXPECT_FALSE(s.isValid()) << ulSides;
    }
    Str s(W(" \t ").c_str());
    ASSERT_TRUE(s.removeCharacters(CQVRFlags(4), CQVRFlags(kAllWhitespace)));
    EXPECT_EQ(textOf(s), W(" \t "));
}

// --- fields -----------------------------------------------------------------------

TEST_F(WCharStringEditingTest, GetTokenSeparatedFieldsIncludingEmptyOnes)
{
    Str s = S("a,,b");
    Str out;
    ASSERT_TRUE(s.getToken(out, S(","), 1, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(textOf(out), W("a"));
    ASSERT_TRUE(s.getToken(out, S(","), 2, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_FALSE(out.isValid());
    ASSERT_TRUE(s.getToken(out, S(","), 3, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(textOf(out), W("b"));
    EXPECT_FALSE(s.getToken(out, S(","), 4, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(textOf(out), W("b"));

    ASSERT_TRUE(S("one two").getToken(out, S(","), 1, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(textOf(out), W("one two"));
    EXPECT_FALSE(S("one two").getToken(out, S(","), 2, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    // Multi-unit delimiters and a field after the last one.
    ASSERT_TRUE(
        S("k :: v :: ").getToken(out, S("::"), 2, Str::tmSeparated, CQVRFlags(kBothEnds), CQVRFlags(kAllWhitespace)));
    EXPECT_EQ(textOf(out), W("v"));
    ASSERT_TRUE(S("k :: v :: ").getToken(out, S("::"), 3, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(textOf(out), W(" "));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());

    EXPECT_FALSE(s.getToken(out, S(","), 0, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(badArgLines(m_log, "ulOccurrance", "ulOccurrance must be greater than 0"), 1u);
    EXPECT_FALSE(s.getToken(out, Str(), 1, Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_FALSE(s.getToken(out, S(","), 1, static_cast<Str::TokenMode>(3), CQVRFlags(0), CQVRFlags(0)));
}

TEST_F(WCharStringEditingTest, GetTokenEnclosedFieldsNeedTheirClosingDelimiter)
{
    Str s = S("\"x\" \"y\" \"z");
    Str out;
    ASSERT_TRUE(s.getToken(out, S("\""), 1, Str::tmEnclosed, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(textOf(out), W("x"));
    ASSERT_TRUE(s.getToken(out, S("\""), 2, Str::tmEnclosed, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(textOf(out), W(" "));
    ASSERT_TRUE(s.getToken(out, S("\""), 4, Str::tmEnclosed, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(textOf(out), W(" "));
    EXPECT_FALSE(s.getToken(out, S("\""), 5, Str::tmEnclosed, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(WCharStringEditingTest, SplitFillsTheListWithKeysFromZero)
{
    List list;
    ASSERT_TRUE(list.add(S("stale"), 7));
    ASSERT_TRUE(S("\"x\" \"y\"").split(list, S("\""), Str::tmEnclosed, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(fieldsOf(list), (std::vector<wstr>{W("x"), W("y")}));
    EXPECT_EQ(list.getCount(), 2u);

    ASSERT_TRUE(S("8.21.6").split(list, S("."), Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(fieldsOf(list), (std::vector<wstr>{W("8"), W("21"), W("6")}));
    ASSERT_TRUE(S(" a , b ,").split(list, S(","), Str::tmSeparated, CQVRFlags(kBothEnds), CQVRFlags(1)));
    EXPECT_EQ(fieldsOf(list), (std::vector<wstr>{W("a"), W("b"), wstr()}));
    ASSERT_TRUE(S("plain").split(list, S(","), Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(fieldsOf(list), (std::vector<wstr>{W("plain")}));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());

    // One enclosing delimiter encloses nothing; the list is emptied all the same.
    EXPECT_FALSE(S("a\"b").split(list, S("\""), Str::tmEnclosed, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(list.getCount(), 0u);
    ASSERT_TRUE(list.add(S("stale"), 0));
    EXPECT_FALSE(Str().split(list, S(","), Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_FALSE(S("a").split(list, Str(), Str::tmSeparated, CQVRFlags(0), CQVRFlags(0)));
    EXPECT_EQ(list.getCount(), 1u);
}

}  // namespace
