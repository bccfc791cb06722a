// Small helpers that the unit tests share: strings from test literals, the
// text of a string, and what the text log holds.
#ifndef QVR_TEST_HELPERS_H
#define QVR_TEST_HELPERS_H

#include "core/qvr_wchar_string.h"
#include "qvr_test_machine.h"

#include <cstddef>
#include <vector>

namespace qvrtest {

typedef CQVRWCharString Str;

// A string from an ASCII/UTF-8 literal.
Str S(const char* szText);
// A string's text; empty for a string with no array.
wstr textOf(const Str& s);
// A byte buffer's bytes.
std::vector<unsigned char> bytesOf(const CQVRBuffer<unsigned char>& buffer);

// The log lines that hold the given text, and how many there are.
std::vector<wstr> linesWith(const wstr& logPath, const char* szText);
size_t countLines(const wstr& logPath, const char* szText);
// Whether any of the lines holds the given text.
bool anyLine(const std::vector<wstr>& lines, const char* szText);
// How many log lines hold the bad-argument entry for this argument and message.
size_t badArgLines(const wstr& logPath, const char* szArgument, const char* szMessage);

// A machine test whose text log is on from the start (default detail).
class LoggedMachineTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        m_log = enableTextLog();
    }
    wstr m_log;
};

}  // namespace qvrtest

#endif
