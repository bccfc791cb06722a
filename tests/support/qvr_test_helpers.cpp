#include "qvr_test_helpers.h"

#include <string>

namespace qvrtest {

Str S(const char* szText) { return Str(W(szText).c_str()); }

wstr textOf(const Str& s) { return s.getText() == nullptr ? wstr() : wstr(s.getText()); }

std::vector<unsigned char> bytesOf(const CQVRBuffer<unsigned char>& buffer)
{
    const unsigned char* p = buffer.getBuffer();
    return p == nullptr ? std::vector<unsigned char>() : std::vector<unsigned char>(p, p + buffer.getSize());
}

std::vector<wstr> linesWith(const wstr& logPath, const char* szText)
{
    std::vector<wstr> found;
    for (const wstr& line : readLogLines(logPath)) {
        if (line.find(W(szText)) != wstr::npos)
            found.push_back(line);
    }
    return found;
}

size_t countLines(const wstr& logPath, const char* szText) { return linesWith(logPath, szText).size(); }

bool anyLine(const std::vector<wstr>& lines, const char* szText)
{
    for (const wstr& line : lines) {
        if (line.find(W(szText)) != wstr::npos)
            return true;
    }
    return false;
}

size_t badArgLines(const wstr& logPath, const char* szArgument, const char* szMessage)
{
    std::string text = std::string("\"A bad argument was provided ( ") + szArgument + " ). " + szMessage + "\"";
    return linesWith(logPath, text.c_str()).size();
}

}  // namespace qvrtest
