// The program's string table as the substitute holds it: generated at build
// time from the resource script that windres compiles for the Windows
// programs, and linked into a program that carries the table (the CMake
// target qvr_strings), as the resources are linked on Windows.
#ifndef QVR_SIM_STRING_TABLE_H
#define QVR_SIM_STRING_TABLE_H

#include "qvr_sim_win32.h"

namespace qvrsim {

// One block of 16 string IDs (block n holds the IDs 16(n-1) to 16n-1) of one
// language, laid out as in a Windows module: each of the 16 strings is its
// length followed by that many UTF-16 units, without a terminator.
struct StringBlock {
    LANGID language;
    WORD block;
    const WCHAR* data;
};

// Makes the blocks the program's string table; called once, before main, by
// the generated table. The blocks must live as long as the program.
bool registerStringTable(const StringBlock* blocks, size_t count);

}  // namespace qvrsim

#endif
