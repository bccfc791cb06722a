// The string's number systems and byte codes.
#include "core/qvr_wchar_string.h"
#include "diagnostics/entries/qvr_buffer_init_exception.h"
#include "qvr_test_helpers.h"
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using qvrtest::badArgLines;
using qvrtest::bytesOf;
using qvrtest::linesWith;
using qvrtest::S;
using qvrtest::Str;
using qvrtest::textOf;
using qvrtest::W;
using qvrtest::wstr;

namespace {

// The value toNumber gives, or this marker when it fails.
const uint32_t kUntouched = 0xDEADBEEFu;

uint32_t numberOf(const char* szText, Str::NumberSystem system)
{
    uint32_t ulValue = kUntouched;
    if (!S(szText).toNumber(ulValue, system)) {
        EXPECT_EQ(ulValue, kUntouched) << szText;
    }
    return ulValue;
}

class WCharStringConversionTest : public qvrtest::LoggedMachineTest {};

// --- classification -----------------------------------------------------------

TEST_F(WCharStringConversionTest, IsNumberAllowsASignAndOneInnerPoint)
{
    EXPECT_TRUE(S("0123").isNumber(false, false));
    EXPECT_FALSE(S("-1").isNumber(false, false));
    EXPECT_TRUE(S("-1").isNumber(true, false));
    EXPECT_TRUE(S("-").isNumber(true, false));
    EXPECT_FALSE(S("1-").isNumber(true, false));
    EXPECT_FALSE(S("4.2").isNumber(true, false));
    EXPECT_TRUE(S("4.2").isNumber(false, true));
    EXPECT_TRUE(S("-4.25").isNumber(true, true));
    EXPECT_FALSE(S("4.2.1").isNumber(false, true));
    EXPECT_FALSE(S(".5").isNumber(false, true));
    EXPECT_FALSE(S("5.").isNumber(false, true));
    EXPECT_FALSE(S(" 5").isNumber(true, true));
    EXPECT_FALSE(Str().isNumber(true, true));
}

TEST_F(WCharStringConversionTest, DigitClassesAdmitNoMarker)
{
    EXPECT_TRUE(S("0110").isBinaryDigits());
    EXPECT_FALSE(S("012").isBinaryDigits());
    EXPECT_TRUE(S("01234567").isOctalDigits());
    EXPECT_FALSE(S("8").isOctalDigits());
    EXPECT_TRUE(S("09afAF").isHexDigits());
    EXPECT_FALSE(S("0x1").isHexDigits());
    EXPECT_FALSE(S("g").isHexDigits());
    EXPECT_FALSE(Str().isHexDigits());
}

TEST_F(WCharStringConversionTest, MarkedNumbersHaveExactlyOnePrefixOrSuffix)
{
    EXPECT_TRUE(S("0b101").isBinaryString());
    EXPECT_TRUE(S("101B").isBinaryString());
    EXPECT_TRUE(S("0b").isBinaryString());  // the digit 0 with its suffix
    EXPECT_FALSE(S("b").isBinaryString());
    EXPECT_FALSE(S("101").isBinaryString());
    EXPECT_FALSE(S("0b1b").isBinaryString());
    EXPECT_FALSE(S("1b01").isBinaryString());
    EXPECT_FALSE(S("0b102").isBinaryString());

    EXPECT_TRUE(S("0O17").isOctalString());
    EXPECT_TRUE(S("17o").isOctalString());
    EXPECT_FALSE(S("18o").isOctalString());
    EXPECT_FALSE(S("o").isOctalString());

    EXPECT_TRUE(S("0x1B").isHexString());
    EXPECT_TRUE(S("0X1b").isHexString());
    EXPECT_TRUE(S("1Bh").isHexString());
    EXPECT_TRUE(S("FFH").isHexString());
    EXPECT_FALSE(S("FF").isHexString());
    EXPECT_FALSE(S("0xFFh").isHexString());
    EXPECT_FALSE(S("0x").isHexString());
    EXPECT_FALSE(S("h").isHexString());
    EXPECT_FALSE(S("1x2").isHexString());
    EXPECT_FALSE(S("0x1x").isHexString());
    EXPECT_FALSE(Str().isHexString());
}

TEST_F(WCharStringConversionTest, StripNumberSystemMarkerTakesOffPrefixOrSuffix)
{
    const char* pairs[][2] = {{"0b101", "101"}, {"101b", "101"}, {"0o17", "17"}, {"17O", "17"},
                              {"0x1B", "1B"},   {"1Bh", "1B"},   {"0bh", "0b"}};
    for (const auto& pair : pairs) {
        Str s = S(pair[0]);
        ASSERT_TRUE(s.stripNumberSystemMarker()) << pair[0];
        EXPECT_EQ(textOf(s), W(pair[1])) << pair[0];
    }
    Str s = S("123");
    EXPECT_FALSE(s.stripNumberSystemMarker());
    EXPECT_EQ(textOf(s), W("123"));
    Str none;
    EXPECT_FALSE(none.stripNumberSystemMarker());
}

// --- text to number -----------------------------------------------------------

TEST_F(WCharStringConversionTest, HexToNumber)
{
    uint32_t ulValue = 0;
    ASSERT_TRUE(S("FFFFFFFF").hexToNumber(ulValue));
    EXPECT_EQ(ulValue, 4294967295u);
    for (const char* szText : {"0x1B", "1Bh", "1B", "1b", "0000001B"}) {
        ulValue = 0;
        ASSERT_TRUE(S(szText).hexToNumber(ulValue)) << szText;
        EXPECT_EQ(ulValue, 27u) << szText;
    }
    ulValue = kUntouched;
    EXPECT_FALSE(S("1G").hexToNumber(ulValue));
    EXPECT_FALSE(S(" 1B").hexToNumber(ulValue));
    EXPECT_FALSE(Str().hexToNumber(ulValue));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
    EXPECT_EQ(ulValue, kUntouched);
}

TEST_F(WCharStringConversionTest, TooManyDigitsIsLoggedTwiceAndChangesNothing)
{
    uint32_t ulValue = kUntouched;
    EXPECT_FALSE(S("123456789").hexToNumber(ulValue));
    EXPECT_FALSE(S("0x000000001").hexToNumber(ulValue));
    EXPECT_EQ(badArgLines(m_log, "this string", "too many hex digits in string - will overflow unsigned long value"),
              2u);
    // The catch-all reports the same event once more.
    EXPECT_EQ(linesWith(m_log, "\"An unhandled exception occurred\"").size(), 2u);
    EXPECT_FALSE(S("111111111111111111111111111111111").binaryToNumber(ulValue));
    EXPECT_EQ(badArgLines(m_log, "this", "too many binary digits in string - will overflow unsigned long value"), 1u);
    EXPECT_FALSE(S("0000000000017o").octalToNumber(ulValue));
    EXPECT_EQ(badArgLines(m_log, "this string", "too many octal digits in string - will overflow unsigned long value"),
              1u);
    EXPECT_EQ(qvrtest::readLogLines(m_log).size(), 8u);
    EXPECT_EQ(ulValue, kUntouched);
}

TEST_F(WCharStringConversionTest, BinaryToNumber)
{
    for (const char* szText : {"0b101", "101b", "101", "0B101", "00000101"}) {
        uint32_t ulValue = 0;
        ASSERT_TRUE(S(szText).binaryToNumber(ulValue)) << szText;
        EXPECT_EQ(ulValue, 5u) << szText;
    }
    uint32_t ulValue = 0;
    ASSERT_TRUE(S("11111111111111111111111111111111").binaryToNumber(ulValue));
    EXPECT_EQ(ulValue, 0xFFFFFFFFu);
    ASSERT_TRUE(S("1b").binaryToNumber(ulValue));
    EXPECT_EQ(ulValue, 1u);
    ulValue = kUntouched;
    EXPECT_FALSE(S("1b01").binaryToNumber(ulValue));
    EXPECT_FALSE(S("2").binaryToNumber(ulValue));
    EXPECT_EQ(ulValue, kUntouched);
}

TEST_F(WCharStringConversionTest, OctalToNumberTakesTwelveDigitsWhenTheValueFits)
{
    uint32_t ulValue = 0;
    ASSERT_TRUE(S("17o").octalToNumber(ulValue));
    EXPECT_EQ(ulValue, 15u);
    ASSERT_TRUE(S("0o17").octalToNumber(ulValue));
    EXPECT_EQ(ulValue, 15u);
    ASSERT_TRUE(S("37777777777").octalToNumber(ulValue));
    EXPECT_EQ(ulValue, 0xFFFFFFFFu);
    ASSERT_TRUE(S("000000000017").octalToNumber(ulValue));
    EXPECT_EQ(ulValue, 15u);
    ASSERT_TRUE(S("037777777777").octalToNumber(ulValue));
    EXPECT_EQ(ulValue, 0xFFFFFFFFu);
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());

    // Past 32 bits the value would wrap: it is refused instead.
    ulValue = kUntouched;
    EXPECT_FALSE(S("40000000000").octalToNumber(ulValue));
    EXPECT_FALSE(S("777777777777").octalToNumber(ulValue));
    EXPECT_FALSE(S("0000000000017").octalToNumber(ulValue));
    EXPECT_EQ(badArgLines(m_log, "this string", "too many octal digits in string - will overflow unsigned long value"),
              3u);
    EXPECT_EQ(ulValue, kUntouched);
}

TEST_F(WCharStringConversionTest, ToNumberTrimsAndPicksTheSystem)
{
    EXPECT_EQ(numberOf("  42 ", Str::nsDec), 42u);
    EXPECT_EQ(numberOf("-7", Str::nsDec), static_cast<uint32_t>(-7));
    EXPECT_EQ(numberOf("\t0x1B\r\n", Str::nsHex), 27u);
    EXPECT_EQ(numberOf(" 101b", Str::nsBin), 5u);
    EXPECT_EQ(numberOf("0o17 ", Str::nsOct), 15u);
    EXPECT_EQ(numberOf("0012", Str::nsDec), 12u);
    EXPECT_EQ(numberOf("-2147483648", Str::nsDec), 0x80000000u);
    EXPECT_EQ(numberOf("2147483647", Str::nsDec), 0x7FFFFFFFu);
    // Out of range decimal text stops at the nearest bound, as the runtime's does.
    EXPECT_EQ(numberOf("4294967295", Str::nsDec), 0x7FFFFFFFu);
    EXPECT_EQ(numberOf("-99999999999999999999", Str::nsDec), 0x80000000u);

    EXPECT_EQ(numberOf("4.2", Str::nsDec), kUntouched);
    EXPECT_EQ(numberOf("- 4", Str::nsDec), kUntouched);
    EXPECT_EQ(numberOf("+4", Str::nsDec), kUntouched);
    // A sign alone holds no number.
    EXPECT_EQ(numberOf("-", Str::nsDec), kUntouched);
    EXPECT_EQ(numberOf("   ", Str::nsDec), kUntouched);
    EXPECT_EQ(numberOf("   ", Str::nsHex), kUntouched);
    EXPECT_EQ(numberOf("1B", Str::nsDec), kUntouched);
    EXPECT_EQ(numberOf("42", static_cast<Str::NumberSystem>(3)), kUntouched);
    uint32_t ulValue = kUntouched;
    EXPECT_FALSE(Str().toNumber(ulValue, Str::nsDec));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// --- number to text -----------------------------------------------------------

TEST_F(WCharStringConversionTest, NumberToTextWithWidthAndPrefix)
{
    Str out;
    ASSERT_TRUE(Str::toHexString(out, 0x1234, 2, false));
    EXPECT_EQ(textOf(out), W("34"));
    ASSERT_TRUE(Str::toHexString(out, 0xAB, 4, true));
    EXPECT_EQ(textOf(out), W("0x00AB"));
    ASSERT_TRUE(Str::toHexString(out, 0xDEADBEEF, 0, false));
    EXPECT_EQ(textOf(out), W("DEADBEEF"));
    ASSERT_TRUE(Str::toBinaryString(out, 0, 0, false));
    EXPECT_EQ(textOf(out), W("0"));
    ASSERT_TRUE(Str::toBinaryString(out, 5, 8, true));
    EXPECT_EQ(textOf(out), W("0b00000101"));
    ASSERT_TRUE(Str::toOctalString(out, 0xFFFFFFFF, 0, true));
    EXPECT_EQ(textOf(out), W("0o37777777777"));
    ASSERT_TRUE(Str::toOctalString(out, 8, 1, false));
    EXPECT_EQ(textOf(out), W("0"));
    EXPECT_EQ(out.getSize(), 2u);

    ASSERT_TRUE(Str::toDecimalString(out, 0));
    EXPECT_EQ(textOf(out), W("0"));
    ASSERT_TRUE(Str::toDecimalString(out, -2147483647 - 1));
    EXPECT_EQ(textOf(out), W("-2147483648"));
    ASSERT_TRUE(Str::toDecimalString(out, 2147483647));
    EXPECT_EQ(textOf(out), W("2147483647"));
}

TEST_F(WCharStringConversionTest, TextBackToTheSameNumber)
{
    const uint32_t values[] = {0, 1, 7, 8, 0x7F, 0x80000000u, 0xFFFFFFFFu, 0x12345678u};
    for (uint32_t v : values) {
        for (bool bPrefix : {false, true}) {
            Str text;
            uint32_t ulBack = 0;
            ASSERT_TRUE(Str::toHexString(text, v, 8, bPrefix));
            ASSERT_TRUE(text.toNumber(ulBack, Str::nsHex));
            EXPECT_EQ(ulBack, v);
            ASSERT_TRUE(Str::toBinaryString(text, v, 0, bPrefix));
            ASSERT_TRUE(text.toNumber(ulBack, Str::nsBin));
            EXPECT_EQ(ulBack, v);
            ASSERT_TRUE(Str::toOctalString(text, v, 12, bPrefix));
            ASSERT_TRUE(text.toNumber(ulBack, Str::nsOct));
            EXPECT_EQ(ulBack, v);
        }
        Str text(static_cast<int32_t>(v));
        uint32_t ulBack = 0;
        ASSERT_TRUE(text.toNumber(ulBack, Str::nsDec));
        EXPECT_EQ(ulBack, v);
    }
}

TEST_F(WCharStringConversionTest, NumericConstructors)
{
    EXPECT_EQ(textOf(Str(-42)), W("-42"));
    EXPECT_EQ(textOf(Str(0x1Bu, Str::nsHex, 4, true)), W("0x001B"));
    EXPECT_EQ(textOf(Str(5u, Str::nsBin, 0, false)), W("101"));
    EXPECT_EQ(textOf(Str(15u, Str::nsOct, 0, true)), W("0o17"));
    // Decimal ignores width and prefix and reads the value as signed.
    EXPECT_EQ(textOf(Str(0xFFFFFFFFu, Str::nsDec, 20, true)), W("-1"));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());

    EXPECT_THROW(Str(1u, static_cast<Str::NumberSystem>(3), 0, false), CQVRBufferInitException);
    EXPECT_EQ(badArgLines(m_log, "asNumberSystem", "mode isn't supported, must be hex,bin,or oct"), 1u);
    EXPECT_EQ(linesWith(m_log, "\"Unable to initialize CQVRBuffer\"").size(), 1u);
}

// --- byte codes ---------------------------------------------------------------

TEST_F(WCharStringConversionTest, AsciiCodeStringListsEveryByteOfTheArray)
{
    EXPECT_EQ(textOf(S("AB").getAsciiCodeString()), W("41 00 42 00 00 00"));
    Str high(static_cast<WCHAR>(0xABCD));
    EXPECT_EQ(textOf(high.getAsciiCodeString()), W("CD AB 00 00"));
    // Zero elements after the terminator are bytes of the array too.
    Str padded = S("A");
    ASSERT_TRUE(padded.resize(3));
    EXPECT_EQ(textOf(padded.getAsciiCodeString()), W("41 00 00 00 00 00"));
    EXPECT_FALSE(Str().getAsciiCodeString().isValid());
}

TEST_F(WCharStringConversionTest, BufferFromAsciiCodeStringReadsPairs)
{
    EXPECT_EQ(bytesOf(S("41 00 42 00 00 00").getBufferFromAsciiCodeString()),
              (std::vector<unsigned char>{0x41, 0, 0x42, 0, 0, 0}));
    EXPECT_EQ(bytesOf(S("0B 1B").getBufferFromAsciiCodeString()), (std::vector<unsigned char>{0x0B, 0x1B}));
    // The separator may be anything; lower case digits read as well.
    EXPECT_EQ(bytesOf(S("ff,7f;").getBufferFromAsciiCodeString()), (std::vector<unsigned char>{0xFF, 0x7F}));
    // A pair that is no hexadecimal number stands for the byte 0.
    EXPECT_EQ(bytesOf(S("41 ZZ 42").getBufferFromAsciiCodeString()), (std::vector<unsigned char>{0x41, 0, 0x42}));
    EXPECT_EQ(bytesOf(S("41 0x 42").getBufferFromAsciiCodeString()), (std::vector<unsigned char>{0x41, 0, 0x42}));
    EXPECT_TRUE(bytesOf(Str().getBufferFromAsciiCodeString()).empty());
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());

    // A lone last character is dropped, and the extraction says so.
    EXPECT_EQ(bytesOf(S("41 4").getBufferFromAsciiCodeString()), (std::vector<unsigned char>{0x41}));
    EXPECT_EQ(badArgLines(m_log, "ulStartPos", "start position is past the end of the string"), 1u);
    EXPECT_TRUE(bytesOf(S("4").getBufferFromAsciiCodeString()).empty());
    EXPECT_EQ(badArgLines(m_log, "ulStartPos", "start position is past the end of the string"), 2u);
}

TEST_F(WCharStringConversionTest, ByteCodesTraceTheirCompletion)
{
    m_log = qvrtest::enableTextLog(0x031B);
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    Str codes = S("A").getAsciiCodeString();
    CQVRBuffer<unsigned char> bytes = codes.getBufferFromAsciiCodeString();
    EXPECT_EQ(bytes.getSize(), 4u);
    std::vector<wstr> encode = linesWith(m_log, "CQVRWCharString::getAsciiCodeString");
    std::vector<wstr> decode = linesWith(m_log, "CQVRWCharString::getBufferFromAsciiCodeString");
    ASSERT_GE(encode.size(), 2u);
    ASSERT_GE(decode.size(), 2u);
    EXPECT_NE(encode.back().find(W("<Passed> ")), wstr::npos);
    EXPECT_NE(decode.back().find(W("<Passed> ")), wstr::npos);
}

}  // namespace
