// A text that a platform call writes into a buffer of the caller's size
// (GetModuleFileNameW and its kind), read whole.
#ifndef QVR_PLATFORM_TEXT_H
#define QVR_PLATFORM_TEXT_H

#include "qvr_platform.h"

#include <functional>
#include <memory>

// The longest path Windows has, in characters with the terminator.
const DWORD kQVRLongestPath = 32768;

// Calls read(szBuffer, ulChars), which answers as GetModuleFileNameW does
// (the characters written; ulChars, or more, when the text was cut; 0 on
// failure), with twice the room each time the answer fills the buffer, up
// to the longest path Windows has. The whole text, terminated; null when the
// call fails, memory runs out or the text is longer even then. Writes no
// log entry, so that the logging code can use it too.
std::unique_ptr<WCHAR[]> qvrReadPlatformText(const std::function<DWORD(WCHAR* szBuffer, DWORD ulChars)>& read);

#endif
