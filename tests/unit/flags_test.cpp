// The flag word: flag tests, the table index of a flag, and what each
// operation stores in its trace.
#include "core/qvr_flags.h"
#include "qvr_test_helpers.h"
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <vector>

using qvrtest::anyLine;
using qvrtest::linesWith;
using qvrtest::W;
using qvrtest::wstr;

namespace {

class FlagsTest : public qvrtest::MachineTest {};

TEST_F(FlagsTest, AFlagIsPresentWhenAllItsBitsAre)
{
    CQVRFlags three(3);
    EXPECT_TRUE(three.hasFlags(1));
    EXPECT_TRUE(three.hasFlags(2));
    EXPECT_TRUE(three.hasFlags(3));
    EXPECT_FALSE(three.hasFlags(4));
    EXPECT_FALSE(CQVRFlags(1).hasFlags(3));
    EXPECT_TRUE(CQVRFlags(0).hasFlags(0));
    EXPECT_TRUE(CQVRFlags(0x80000000u).hasFlags(0x80000000u));
}

TEST_F(FlagsTest, IndexIsTheHighestBitOfAPresentFlag)
{
    uint32_t ulIndex = 99;
    ASSERT_TRUE(CQVRFlags(8).getIndex(8, ulIndex));
    EXPECT_EQ(ulIndex, 3u);
    ASSERT_TRUE(CQVRFlags(1).getIndex(1, ulIndex));
    EXPECT_EQ(ulIndex, 0u);
    ASSERT_TRUE(CQVRFlags(7).getIndex(6, ulIndex));
    EXPECT_EQ(ulIndex, 2u);
    ASSERT_TRUE(CQVRFlags(0xFFFFFFFFu).getIndex(0x80000000u, ulIndex));
    EXPECT_EQ(ulIndex, 31u);

    ulIndex = 99;
    EXPECT_FALSE(CQVRFlags(0).getIndex(8, ulIndex));
    EXPECT_FALSE(CQVRFlags(0xFF).getIndex(0, ulIndex));
    EXPECT_FALSE(CQVRFlags(4).getIndex(6, ulIndex));
    EXPECT_EQ(ulIndex, 99u);
}

TEST_F(FlagsTest, AssignmentAndComparisonUseTheWholeWord)
{
    CQVRFlags a(5);
    CQVRFlags b(6);
    EXPECT_TRUE(a != b);
    EXPECT_FALSE(a == b);
    b = a;
    EXPECT_EQ(b.getFlags(), 5u);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);
    CQVRFlags c;
    EXPECT_EQ(c.getFlags(), 0u);
}

TEST_F(FlagsTest, TracesStoreTheResultKindOfEachOperation)
{
    wstr log = qvrtest::enableTextLog(0x031B);
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    CQVRFlags flags(1);
    uint32_t ulIndex = 0;
    EXPECT_FALSE(flags.hasFlags(2));
    EXPECT_FALSE(flags.getIndex(0, ulIndex));
    EXPECT_TRUE(flags != CQVRFlags(2));

    // A logical result reads differently from a pass/fail one when false.
    EXPECT_TRUE(anyLine(linesWith(log, "CQVRFlags::hasFlags"), "<Failed Logical Result> "));
    std::vector<wstr> index = linesWith(log, "CQVRFlags::getIndex");
    EXPECT_TRUE(anyLine(index, "<Failed> "));
    EXPECT_FALSE(anyLine(index, "Logical"));
    EXPECT_TRUE(anyLine(linesWith(log, "CQVRFlags::operator!="), "<Passed> "));
    EXPECT_TRUE(anyLine(linesWith(log, "CQVRFlags::CQVRFlags"), "<Passed> "));
}

}  // namespace
