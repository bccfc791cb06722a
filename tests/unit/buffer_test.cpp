// The typed buffer: zero-filled allocation, growth and writing rules, the
// failure messages it logs, and the one exception that reaches the caller.
#include "core/qvr_buffer.h"
#include "qvr_test_helpers.h"
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <vector>

using qvrtest::bytesOf;
using qvrtest::linesWith;
using qvrtest::W;
using qvrtest::wstr;

namespace {

typedef CQVRBuffer<unsigned short> Wide;
typedef CQVRBuffer<unsigned char> Bytes;

Wide wideOf(const std::vector<unsigned short>& units)
{
    return Wide(units.data(), static_cast<uint32_t>(units.size()), 0);
}

std::vector<unsigned short> unitsOf(const Wide& buffer)
{
    return std::vector<unsigned short>(buffer.getBuffer(), buffer.getBuffer() + buffer.getSize());
}

class BufferTest : public qvrtest::LoggedMachineTest {};

TEST_F(BufferTest, AllocationZeroFillsAndZeroSizeLeavesNoArray)
{
    Wide buffer(4);
    EXPECT_TRUE(buffer.isValid());
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{0, 0, 0, 0}));

    buffer[1] = 9;
    ASSERT_TRUE(buffer.allocate(3));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{0, 0, 0}));

    EXPECT_TRUE(buffer.allocate(0));
    EXPECT_FALSE(buffer.isValid());
    EXPECT_EQ(buffer.getBuffer(), nullptr);
    EXPECT_EQ(buffer.getSize(), 0u);

    Wide empty(0);
    EXPECT_FALSE(empty.isValid());
    EXPECT_TRUE(empty.destroy());
}

TEST_F(BufferTest, SizeWhoseByteCountOverflowsFailsInsteadOfWrapping)
{
    Wide buffer = wideOf({1, 2});
    EXPECT_FALSE(buffer.allocate(0xFFFFFFFFu));
    EXPECT_FALSE(buffer.isValid());
    EXPECT_EQ(buffer.getSize(), 0u);
    EXPECT_EQ(linesWith(m_log, "\"Unable to allocate memory ( m_pBuffer )\"").size(), 1u);

    Wide grown = wideOf({1, 2});
    EXPECT_FALSE(grown.resize(0x80000000u));
    // A failed growth keeps what was there.
    EXPECT_EQ(unitsOf(grown), (std::vector<unsigned short>{1, 2}));
}

TEST_F(BufferTest, FailedConstructionThrowsTheInitialisationException)
{
    wstr message;
    wstr sourceFile;
    try {
        Wide huge(0xFFFFFFFFu);
        ADD_FAILURE() << "no exception";
    } catch (CQVRBufferInitException& e) {
        ASSERT_NE(e.m_record.m_szMessage, nullptr);
        message = e.m_record.m_szMessage;
        sourceFile = e.m_record.m_szSourceFile;
    }
    EXPECT_EQ(message, W("Unable to initialize CQVRBuffer"));
    // The template names its header where the library's headers are
    // published, whatever folder the tree keeps it in.
    EXPECT_EQ(sourceFile, W("include\\qvr_buffer.h"));
}

TEST_F(BufferTest, DataConstructorPlacesElementsAfterTheOffset)
{
    const unsigned short data[] = {7, 8, 9};
    EXPECT_EQ(unitsOf(Wide(data, 3, 2)), (std::vector<unsigned short>{0, 0, 7, 8, 9}));
    EXPECT_EQ(unitsOf(Wide(data, 3, 0)), (std::vector<unsigned short>{7, 8, 9}));
    EXPECT_EQ(unitsOf(Wide(nullptr, 2, 5)), (std::vector<unsigned short>{0, 0}));
    EXPECT_FALSE(Wide(nullptr, 0, 0).isValid());
    EXPECT_FALSE(Wide(data, 0, 3).isValid());
}

TEST_F(BufferTest, CopiesOwnTheirElements)
{
    Wide source = wideOf({1, 2, 3});
    Wide copy(source);
    copy[0] = 5;
    EXPECT_EQ(unitsOf(source), (std::vector<unsigned short>{1, 2, 3}));
    EXPECT_NE(copy.getBuffer(), source.getBuffer());

    Wide assigned(1);
    assigned = source;
    EXPECT_EQ(unitsOf(assigned), (std::vector<unsigned short>{1, 2, 3}));
    Wide& alias = assigned;
    assigned = alias;
    EXPECT_EQ(unitsOf(assigned), (std::vector<unsigned short>{1, 2, 3}));
    assigned = Wide(0);
    EXPECT_FALSE(assigned.isValid());

    Wide fromEmpty((Wide(0)));
    EXPECT_FALSE(fromEmpty.isValid());
}

TEST_F(BufferTest, ResizeKeepsLeadingElementsAndZeroFillsGrowth)
{
    Wide buffer = wideOf({1, 2, 3});
    ASSERT_TRUE(buffer.resize(5));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 2, 3, 0, 0}));
    ASSERT_TRUE(buffer.resize(2));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 2}));
    EXPECT_TRUE(buffer.resize(0));
    EXPECT_FALSE(buffer.isValid());
    ASSERT_TRUE(buffer.resize(2));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{0, 0}));
}

TEST_F(BufferTest, AppendAddsAllElementsIncludingFromItself)
{
    Wide buffer = wideOf({1, 2});
    ASSERT_TRUE(buffer.append(wideOf({3})));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 2, 3}));
    ASSERT_TRUE(buffer.append(buffer));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 2, 3, 1, 2, 3}));
    ASSERT_TRUE(buffer.append(Wide(0)));
    EXPECT_EQ(buffer.getSize(), 6u);

    Bytes bytes(nullptr, 0, 0);
    const unsigned char data[] = {0xAB, 0xCD};
    bytes += Bytes(data, 2, 0);
    bytes += Bytes(data, 1, 0);
    EXPECT_EQ(bytesOf(bytes), (std::vector<unsigned char>{0xAB, 0xCD, 0xAB}));
}

TEST_F(BufferTest, AppendAtReplacesEverythingFromTheOffset)
{
    Wide buffer = wideOf({1, 2, 3, 4});
    ASSERT_TRUE(buffer.appendAt(wideOf({8, 9}), 4));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 2, 3, 4, 8, 9}));
    // Inside: what stood beyond the written range is dropped.
    ASSERT_TRUE(buffer.appendAt(wideOf({7}), 1));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 7}));
    ASSERT_TRUE(buffer.appendAt(buffer, 1));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 1, 7}));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

TEST_F(BufferTest, AppendAtPastTheEndFailsAndChangesNothing)
{
    Wide buffer = wideOf({1, 2});
    EXPECT_FALSE(buffer.appendAt(wideOf({3}), 3));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 2}));
    std::vector<wstr> lines = linesWith(
        m_log, "\"A bad argument was provided ( ulOffset ). can't append a buffer at an offset past the bounds "
               "of this buffer\"");
    ASSERT_EQ(lines.size(), 1u);
    // This one entry names no source file.
    EXPECT_EQ(lines[0].find(W("qvr_buffer.h")), wstr::npos);
}

TEST_F(BufferTest, WriteCopiesInPlaceOrGrowsOnlyWhenAllowed)
{
    Wide buffer = wideOf({1, 2, 3, 4});
    ASSERT_TRUE(buffer.write(wideOf({8, 9}), 1, false));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 8, 9, 4}));
    ASSERT_TRUE(buffer.write(wideOf({5, 6}), 2, false));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 8, 5, 6}));

    EXPECT_FALSE(buffer.write(wideOf({7, 7}), 3, false));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 8, 5, 6}));
    EXPECT_EQ(
        linesWith(m_log, "\"A bad argument was provided ( buffer ). buffer + offset will overrun this buffer\"").size(),
        1u);

    ASSERT_TRUE(buffer.write(wideOf({7, 7}), 3, true));
    EXPECT_EQ(unitsOf(buffer), (std::vector<unsigned short>{1, 8, 5, 7, 7}));

    EXPECT_FALSE(buffer.write(Wide(0), 0, true));
    EXPECT_EQ(
        linesWith(m_log, "\"A bad argument was provided ( buffer ). buffer is of zero size - can't write\"").size(),
        1u);
    EXPECT_EQ(buffer.getSize(), 5u);
}

TEST_F(BufferTest, IndexAtTheSizeThrowsToTheCallerAndIsLogged)
{
    Wide buffer = wideOf({1, 2});
    const Wide& readOnly = buffer;
    EXPECT_EQ(readOnly[1], 2);
    wstr message;
    try {
        buffer[2] = 1;
        ADD_FAILURE() << "no exception";
    } catch (CQVRIndexOutOfBoundsException& e) {
        ASSERT_NE(e.m_record.m_szMessage, nullptr);
        message = e.m_record.m_szMessage;
    }
    EXPECT_EQ(message, W("Index out of array bounds"));
    EXPECT_THROW(readOnly[2], CQVRIndexOutOfBoundsException);
    EXPECT_THROW(Wide(0)[0], CQVRIndexOutOfBoundsException);
    EXPECT_EQ(linesWith(m_log, "\"Index out of array bounds\"").size(), 3u);
}

TEST_F(BufferTest, ConversionsKeepTheBytesInMemoryOrder)
{
    const unsigned char three[] = {0x41, 0x42, 0x43};
    Wide wide = Bytes(three, 3, 0).toWideBuffer();
    ASSERT_EQ(wide.getSize(), 2u);
    EXPECT_EQ(wide[0], 0x4241);
    EXPECT_EQ(wide[1], 0x0043);

    Bytes bytes = wideOf({0x1234, 0xABCD}).toByteBuffer();
    EXPECT_EQ(bytesOf(bytes), (std::vector<unsigned char>{0x34, 0x12, 0xCD, 0xAB}));

    EXPECT_FALSE(Wide(0).toByteBuffer().isValid());
    EXPECT_FALSE(Bytes(0).toWideBuffer().isValid());
}

TEST_F(BufferTest, FailuresAreReportedAsResultsNotExceptions)
{
    Wide buffer = wideOf({1});
    EXPECT_NO_THROW(EXPECT_FALSE(buffer.allocate(0xFFFFFFFFu)));
    EXPECT_NO_THROW(EXPECT_FALSE(buffer.appendAt(wideOf({1}), 9)));
    EXPECT_NO_THROW(EXPECT_FALSE(buffer.write(wideOf({1}), 9, false)));
    EXPECT_NO_THROW(EXPECT_FALSE(buffer.write(wideOf({1}), 9, true)));
}

}  // namespace
