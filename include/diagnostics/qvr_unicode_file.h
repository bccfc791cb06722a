// Appending UTF-16 text to a file that others may append to as well: the
// end of the file is found first, an empty file gets the byte-order mark,
// and a write that does not go through whole is a failed one.
#ifndef QVR_UNICODE_FILE_H
#define QVR_UNICODE_FILE_H

#include "qvr_platform.h"

#include <cstdint>

// Appends ulUnits code units at the end of the open file, little-endian,
// after FF FE when the file is empty. False when the end cannot be reached
// (nothing is written then, so nothing already there is overwritten) or a
// write falls short.
bool qvrAppendUnicode(HANDLE hFile, const WCHAR* pUnits, uint32_t ulUnits);

#endif
