// The text log line, byte for byte: every part of a detailed and of a simple
// record, the result forms, the file's byte-order mark and line ends, and
// the bound on a long line.
#include "diagnostics/qvr_detailed_log.h"
#include "diagnostics/qvr_log_exception1.h"
#include "diagnostics/qvr_log_notification.h"
#include "diagnostics/qvr_simple_log.h"
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using qvrtest::W;
using qvrtest::wstr;

namespace {

const size_t kTimeChars = 28;  // "<Www Mmm dd hh:mm:ss yyyy>: "

// The time part has the C runtime's ctime shape with a two-digit day.
void expectTimeShape(const wstr& line)
{
    ASSERT_GE(line.size(), kTimeChars);
    const std::string time = qvrtest::narrow(line.substr(0, kTimeChars));
    const std::string shape = "<AAA AAA 00 00:00:00 0000>: ";
    for (size_t i = 0; i < shape.size(); ++i) {
        const char c = time[i];
        if (shape[i] == 'A')
            EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) << time;
        else if (shape[i] == '0')
            EXPECT_TRUE(c >= '0' && c <= '9') << time;
        else
            EXPECT_EQ(shape[i], c) << time;
    }
}

// Every line of the log with the time part checked and cut off.
std::vector<std::string> bodies(const wstr& logPath)
{
    std::vector<std::string> result;
    for (const wstr& line : qvrtest::readLogLines(logPath)) {
        expectTimeShape(line);
        result.push_back(line.size() >= kTimeChars ? qvrtest::narrow(line.substr(kTimeChars)) : std::string());
    }
    return result;
}

std::string app() { return "<" + qvrtest::narrow(qvrtest::moduleBaseName()) + "> "; }

const std::vector<uint8_t> kCrLf = {0x0D, 0x00, 0x0A, 0x00};

class LoggingOutputTest : public qvrtest::MachineTest {
protected:
    void SetUp() override
    {
        qvrtest::MachineTest::SetUp();
        m_log = qvrtest::enableTextLog(0x0FFF);  // every level, no EXIT rules
    }

    // One detailed record written at once.
    bool write(uint32_t ulLevel, const char* szMessage, uint32_t ulValue, uint32_t ulKind, const char* szClass,
               const char* szMethod, const char* szFile, uint32_t ulLine, uint16_t usOutputs = otText)
    {
        wstr message = szMessage ? W(szMessage) : wstr(), cls = szClass ? W(szClass) : wstr();
        wstr method = szMethod ? W(szMethod) : wstr(), file = szFile ? W(szFile) : wstr();
        CQVRDetailedLog entry(ulLevel, szMessage ? message.c_str() : nullptr, ulValue, ulKind,
                              szClass ? cls.c_str() : nullptr, szMethod ? method.c_str() : nullptr,
                              szFile ? file.c_str() : nullptr, ulLine, true, false, usOutputs);
        return entry.m_bLogged;
    }

    std::string single()
    {
        std::vector<std::string> lines = bodies(m_log);
        EXPECT_EQ(1u, lines.size());
        return lines.empty() ? std::string() : lines[0];
    }

    wstr m_log;
};

TEST_F(LoggingOutputTest, DetailedRecordWithEveryPartAndTheFileBytes)
{
    EXPECT_TRUE(write(llExceptionBad, "Unable to enumerate", 5, rkError, "CQVRRegistrykey", "enumSubKeys",
                      "src\\qvr_registry_key.cpp", 668));
    EXPECT_EQ("<EXCEPTION_BAD> " + app() +
                  "<CQVRRegistrykey::enumSubKeys> \"Unable to enumerate\" <Error: 0x00000005> "
                  "<qvr_registry_key.cpp, 668> ",
              single());

    // A new file starts with the byte-order mark; the line ends in CR LF and
    // carries no terminating zero.
    std::vector<uint8_t> bytes = qvrtest::readFile(m_log);
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    EXPECT_EQ(kCrLf, std::vector<uint8_t>(bytes.end() - 4, bytes.end()));
    EXPECT_EQ(0u, (bytes.size() - 2) % 2);

    // A second record is appended after the first, without a second mark.
    EXPECT_TRUE(write(llWarning, "second", 0, rkError, nullptr, nullptr, nullptr, 0));
    std::vector<uint8_t> after = qvrtest::readFile(m_log);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()),
              std::vector<uint8_t>(after.begin(), after.begin() + bytes.size()));
    EXPECT_NE(0xFF, after[bytes.size()]);
    EXPECT_EQ(2u, bodies(m_log).size());
}

TEST_F(LoggingOutputTest, SourceAndLineParts)
{
    // A path with directories and line 0: the file name, then ">" and at once the line end.
    write(llWarning, "m", 0, rkError, "C", "f", "c:\\work\\src\\qvr_x.cpp", 0);
    // A line without a source file.
    write(llWarning, "m", 0, rkError, "C", "f", nullptr, 668);
    // Neither.
    write(llWarning, "m", 0, rkError, "C", "f", nullptr, 0);
    std::vector<std::string> lines = bodies(m_log);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("<WARNING> " + app() + "<C::f> \"m\" <qvr_x.cpp>", lines[0]);
    EXPECT_EQ("<WARNING> " + app() + "<C::f> \"m\" <668> ", lines[1]);
    EXPECT_EQ("<WARNING> " + app() + "<C::f> \"m\" ", lines[2]);
}

TEST_F(LoggingOutputTest, ClassAndMethodParts)
{
    write(llWarning, "m", 0, rkError, nullptr, "open", "f.cpp", 1);
    write(llWarning, "m", 0, rkError, "CQVRRegistryKey", nullptr, "f.cpp", 1);
    write(llWarning, "m", 0, rkError, "", "", "f.cpp", 1);
    // An empty message leaves no quoted part.
    write(llWarning, "", 0, rkError, "C", "f", "f.cpp", 1);
    std::vector<std::string> lines = bodies(m_log);
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("<WARNING> " + app() + "<::open> \"m\" <f.cpp, 1> ", lines[0]);
    EXPECT_EQ("<WARNING> " + app() + "<CQVRRegistryKey> \"m\" <f.cpp, 1> ", lines[1]);
    EXPECT_EQ("<WARNING> " + app() + "\"m\" <f.cpp, 1> ", lines[2]);
    EXPECT_EQ("<WARNING> " + app() + "<C::f> <f.cpp, 1> ", lines[3]);
}

TEST_F(LoggingOutputTest, ResultPartsOfDetailedRecords)
{
    struct Case {
        uint32_t level, value, kind;
        const char* result;
    } cases[] = {
        {llExit, 5, rkError, "<Error: 0x00000005> "},
        {llExit, 0, rkError, ""},
        {llExit, 0xFFFFFFFF, rkError, ""},
        {llWarning, 0xDEADBEEF, rkError, "<Error: 0xdeadbeef> "},
        {llExit, 1, rkPassFail, "<Passed> "},
        {llExit, 0, rkPassFail, "<Failed> "},
        {llEntry, 0, rkPassFail, ""},
        {llExit, 7, rkLogical, "<Passed> "},
        {llExit, 0, rkLogical, "<Failed Logical Result> "},
        {llWarning, 0, rkLogical, ""},
        {llExit, 42, rkReturnCode, "<Return Code: 0x0000002a> "},
        {llWarning, 0, rkReturnCode, "<Return Code: 0x00000000> "},
        {llExit, 9, 4, ""},
    };
    for (const Case& c : cases)
        write(c.level, "m", c.value, c.kind, "C", "f", "f.cpp", 2);
    std::vector<std::string> lines = bodies(m_log);
    ASSERT_EQ(sizeof(cases) / sizeof(cases[0]), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string level = cases[i].level == llExit    ? "<EXIT> "
                                  : cases[i].level == llEntry ? "<ENTRY> "
                                                              : "<WARNING> ";
        EXPECT_EQ(level + app() + "<C::f> \"m\" " + cases[i].result + "<f.cpp, 2> ", lines[i]) << "case " << i;
    }
}

TEST_F(LoggingOutputTest, LevelNames)
{
    const char* names[] = {"CRITICAL",    "EXCEPTION_BAD", "EXCEPTION_OK", "ERROR", "WARNING", "DEBUG",
                           "INFORMATION", "NOTIFICATION",  "ENTRY",        "EXIT",  "SUCCESS", "FAILURE"};
    for (uint32_t i = 0; i < 12; ++i)
        write(1u << i, nullptr, 0, rkError, nullptr, nullptr, nullptr, 0);
    // Two bits at once is no level of its own.
    write(llWarning | llError, nullptr, 0, rkError, nullptr, nullptr, nullptr, 0);
    std::vector<std::string> lines = bodies(m_log);
    ASSERT_EQ(13u, lines.size());
    for (uint32_t i = 0; i < 12; ++i)
        EXPECT_EQ("<" + std::string(names[i]) + "> " + app(), lines[i]);
    EXPECT_EQ("<UNSPECIFIED> " + app(), lines[12]);
}

TEST_F(LoggingOutputTest, SimpleRecordLine)
{
    {
        CQVRSimpleLog entry(llWarning, W("note").c_str(), 5, rkError, true, false, otText);
        EXPECT_TRUE(entry.m_bLogged);
    }
    {
        CQVRSimpleLog entry(llExit, W("x").c_str(), 1, rkPassFail, true, false, otText);
    }
    {
        CQVRSimpleLog entry(llExit, W("x").c_str(), 0, rkPassFail, true, false, otText);
    }
    {
        CQVRSimpleLog entry(llExit, W("x").c_str(), 0, rkLogical, true, false, otText);
    }
    {
        CQVRSimpleLog entry(llExit, W("x").c_str(), 3, rkLogical, true, false, otText);
    }
    {
        CQVRSimpleLog entry(llWarning, nullptr, 16, rkReturnCode, true, false, otText);
    }
    {
        CQVRSimpleLog entry(llWarning, W("x").c_str(), 0, rkPassFail, true, false, otText);
    }
    {
        CLogNotification note(W("Patch installed").c_str());
    }
    std::vector<std::string> lines = bodies(m_log);
    ASSERT_EQ(8u, lines.size());
    EXPECT_EQ("<WARNING> " + app() + "\"note\" <Error: 0x00000005> ", lines[0]);
    EXPECT_EQ("<EXIT> " + app() + "\"x\" <Passed>", lines[1]);
    EXPECT_EQ("<EXIT> " + app() + "\"x\" <Failed>", lines[2]);
    EXPECT_EQ("<EXIT> " + app() + "\"x\" <Failed Comparison>", lines[3]);
    EXPECT_EQ("<EXIT> " + app() + "\"x\" <Passed>", lines[4]);
    EXPECT_EQ("<WARNING> " + app() + "<Return Code: 0x00000010> ", lines[5]);
    EXPECT_EQ("<WARNING> " + app() + "\"x\" ", lines[6]);
    EXPECT_EQ("<NOTIFICATION> " + app() + "\"Message Box displayed: Patch installed\" ", lines[7]);
}

TEST_F(LoggingOutputTest, TextAndXmlTogetherWriteTheLineButReportFailure)
{
    EXPECT_FALSE(write(llWarning, "both", 0, rkError, nullptr, nullptr, nullptr, 0, otText | otXML));
    EXPECT_EQ("<WARNING> " + app() + "\"both\" ", single());
    // The other outputs alone write nothing.
    for (uint16_t usOutputs : std::vector<uint16_t>{otXML, otHTML, otServer, otUnknown, otNone, 0})
        EXPECT_FALSE(write(llWarning, "other", 0, rkError, nullptr, nullptr, nullptr, 0, usOutputs));
    EXPECT_EQ(1u, bodies(m_log).size());
}

TEST_F(LoggingOutputTest, PathWithoutDriveLetterWritesNothing)
{
    qvrtest::setLogString(W("TextOutput"), W("logs\\relative.log"));
    EXPECT_FALSE(write(llWarning, "lost", 0, rkError, "C", "f", "f.cpp", 1));
    CQVRSimpleLog simple(llWarning, W("lost").c_str(), 0, rkError, true, false, otText);
    EXPECT_FALSE(simple.m_bLogged);
    qvrtest::setLogString(W("TextOutput"), W("C:no-directory.log"));
    EXPECT_FALSE(write(llWarning, "lost", 0, rkError, "C", "f", "f.cpp", 1));
    EXPECT_FALSE(qvrtest::fileExists(m_log));
}

TEST_F(LoggingOutputTest, PathLongerThanItsValueBufferWritesNothing)
{
    // The value holds 127 characters and a terminator; a path that does not
    // fit must not be used cut short, which would name another file.
    const wstr folder = qvrtest::testFolder();
    const wstr fits = folder + W(std::string(127 - folder.size() - 4, 'f').c_str()) + W(".log");
    ASSERT_EQ(127u, fits.size());
    qvrtest::setLogString(W("TextOutput"), fits);
    EXPECT_TRUE(write(llWarning, "fits", 0, rkError, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(1u, bodies(fits).size());
    const wstr tooLong = fits.substr(0, fits.size() - 4) + W("g.log");
    qvrtest::setLogString(W("TextOutput"), tooLong);
    EXPECT_FALSE(write(llWarning, "lost", 0, rkError, nullptr, nullptr, nullptr, 0));
    EXPECT_FALSE(qvrtest::fileExists(tooLong.substr(0, 127)));
    EXPECT_FALSE(qvrtest::fileExists(tooLong));

    // The same 128 characters stored without a terminator fill the 256 bytes
    // exactly: still no room for one, so still not used. A unit that is not
    // zero follows the value, so that no platform finds a terminator there.
    wstr unterminated = tooLong + W("x");
    qvrtest::setValueBytes(HKEY_LOCAL_MACHINE, W("SOFTWARE\\Dravonne\\Logs"), W("TextOutput"), REG_SZ,
                           unterminated.c_str(), tooLong.size() * sizeof(WCHAR));
    EXPECT_FALSE(write(llWarning, "lost", 0, rkError, nullptr, nullptr, nullptr, 0));
    EXPECT_FALSE(qvrtest::fileExists(tooLong.substr(0, 127)));
    EXPECT_FALSE(qvrtest::fileExists(tooLong));
}

// A platform call of the write that fails: the entry is not counted as
// written, and the log keeps its mark, its records and whole lines only.
TEST_F(LoggingOutputTest, FailedPlatformCallsAreFailedWrites)
{
    struct Case {
        const char* szFunction;
        DWORD ulError;
        bool bExistingLog;  // the log already holds one record
        size_t ulLines;     // lines right after the failing write
    };
    const Case cases[] = {
        // The first open fails (another process holds the file): the second
        // one appends, and the mark is not written over the first record.
        {"CreateFileW", 32, true, 2},
        // The disk is full: nothing of the line is in the file.
        {"WriteFile", 112, true, 1},
        // The end of the file cannot be reached: nothing is written at all.
        {"SetFilePointer", 6, true, 1},
        // A new file whose mark cannot be written gets no line either.
        {"WriteFile", 112, false, 0},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        m_log = qvrtest::enableTextLog(0x0FFF);
        if (c.bExistingLog) {
            ASSERT_TRUE(write(llWarning, "first", 0, rkError, nullptr, nullptr, nullptr, 0));
        }
        if (!qvrtest::failNext(c.szFunction, c.ulError))
            GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
        CQVRLogException1 entry(QVR_T("second"), 0, nullptr, 0);
        const bool bWritten = c.ulLines == (c.bExistingLog ? 2u : 1u);
        EXPECT_EQ(bWritten, entry.m_bLogged) << c.szFunction;
        std::vector<std::string> lines = bodies(m_log);
        EXPECT_EQ(c.ulLines, lines.size()) << c.szFunction;
        // A handler that finds the entry unwritten writes it now, once.
        if (!entry.m_bLogged) {
            EXPECT_TRUE(entry.log()) << c.szFunction;
        }
        const std::vector<uint8_t> bytes = qvrtest::readFile(m_log);
        ASSERT_GE(bytes.size(), 2u) << c.szFunction;
        EXPECT_EQ(0xFF, bytes[0]) << c.szFunction;
        EXPECT_EQ(0xFE, bytes[1]) << c.szFunction;
        EXPECT_NE(0xFF, bytes[2]) << c.szFunction;  // one mark only
        lines = bodies(m_log);
        ASSERT_EQ(c.bExistingLog ? 2u : 1u, lines.size()) << c.szFunction;
        if (c.bExistingLog) {
            EXPECT_EQ("<WARNING> " + app() + "\"first\" ", lines[0]) << c.szFunction;
        }
        EXPECT_EQ("<EXCEPTION_BAD> " + app() + "\"second\" ", lines.back()) << c.szFunction;
        EXPECT_EQ(0u, qvrtest::openHandles()) << c.szFunction;
    }
}

TEST_F(LoggingOutputTest, MissingDirectoryIsCreatedOneLevelDeep)
{
    const wstr oneLevel = qvrtest::testFolder() + W("sub\\one.log");
    qvrtest::setLogString(W("TextOutput"), oneLevel);
    EXPECT_TRUE(write(llWarning, "in sub", 0, rkError, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(1u, bodies(oneLevel).size());
    qvrtest::setLogString(W("TextOutput"), qvrtest::testFolder() + W("a\\b\\two.log"));
    EXPECT_FALSE(write(llWarning, "lost", 0, rkError, nullptr, nullptr, nullptr, 0));
}

TEST_F(LoggingOutputTest, LongPartsAreCutAndTheLineStillEnds)
{
    const std::string longText(3000, 'm');
    EXPECT_TRUE(write(llExceptionBad, longText.c_str(), 5, rkError, "C", "f", "f.cpp", 9));
    std::vector<std::string> lines = bodies(m_log);
    ASSERT_EQ(1u, lines.size());
    const std::string& line = lines[0];
    EXPECT_EQ(1022u - kTimeChars, line.size());
    // The message is what gives way: the result and source parts survive.
    const std::string head = "<EXCEPTION_BAD> " + app() + "<C::f> \"";
    const std::string tail = "\" <Error: 0x00000005> <f.cpp, 9> ";
    EXPECT_EQ(head, line.substr(0, head.size()));
    EXPECT_EQ(tail, line.substr(line.size() - tail.size()));
    std::vector<uint8_t> bytes = qvrtest::readFile(m_log);
    EXPECT_EQ(2u + 2u * 1024u, bytes.size());
    EXPECT_EQ(kCrLf, std::vector<uint8_t>(bytes.end() - 4, bytes.end()));

    // A class name and source path that alone exceed the line are cut too.
    std::vector<uint8_t> before = qvrtest::readFile(m_log);
    const std::string longName(2000, 'c');
    const std::string longFile = "d\\" + std::string(2000, 'f');
    EXPECT_TRUE(write(llWarning, longText.c_str(), 0, rkError, longName.c_str(), "f", longFile.c_str(), 9));
    bytes = qvrtest::readFile(m_log);
    EXPECT_EQ(before.size() + 2u * 1024u, bytes.size());
    EXPECT_EQ(kCrLf, std::vector<uint8_t>(bytes.end() - 4, bytes.end()));
    CQVRSimpleLog simple(llWarning, W(longText.c_str()).c_str(), 5, rkError, true, false, otText);
    bytes = qvrtest::readFile(m_log);
    EXPECT_EQ(kCrLf, std::vector<uint8_t>(bytes.end() - 4, bytes.end()));
    lines = bodies(m_log);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(std::string("\" <Error: 0x00000005> "), lines[2].substr(lines[2].size() - 22));
}

}  // namespace
