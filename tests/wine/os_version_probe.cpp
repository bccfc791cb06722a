// Writes what this program sees of its Windows to the file named by its
// argument. The Windows version test starts it under each version Wine can
// report, since Wine fixes a program's version when the program starts.
#include "qvr_windows_report.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string text = qvrtest::describeWindows();
    FILE* pFile = std::fopen(argv[1], "wb");
    if (pFile == nullptr)
        return 3;
    const bool bWritten = std::fwrite(text.data(), 1, text.size(), pFile) == text.size();
    return std::fclose(pFile) == 0 && bWritten ? 0 : 4;
}
