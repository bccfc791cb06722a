// The substitute's machine model, seen from tests: reset it, set machine
// facts that Wine cannot vary, inject failures.
#ifndef QVR_SIM_H
#define QVR_SIM_H

#include "qvr_sim_win32.h"

#include <string>

namespace qvrsim {

typedef std::u16string wstr;

// A fresh machine: empty registry (the five roots), empty sandbox folder,
// default module path, last error 0, no injected failures.
void reset();

// The host folder that holds the drives (one sub-folder per drive letter).
std::string sandboxRoot();
// The host path that a Windows path maps to (for tests that look behind it).
std::string hostPath(const wstr& windowsPath);

// The running program's full Windows path, as GetModuleFileNameW reports it.
void setModulePath(const wstr& path);

// The user's UI language, which picks the table LoadStringW reads (the exact
// language, then its primary language's neutral table, then English US, as
// Windows looks them up). Default: English US (0x0409).
void setUILanguage(LANGID language);

// Whether the machine is a 64-bit Windows (the 32-bit registry view is then
// Software\Wow6432Node under HKEY_LOCAL_MACHINE). Default: 64-bit.
void set64BitWindows(bool b64Bit);

// Another drive letter the machine has (C: always exists); paths on a drive
// it does not have fail with ERROR_PATH_NOT_FOUND, as on Windows.
void addDrive(char letter);

// Handles handed out and not yet closed: registry keys, files, searches.
size_t openHandles();

// The next call of the named function (for example "CreateFileW") fails with
// the given error, once.
void failNext(const std::string& function, DWORD error);

}  // namespace qvrsim

#endif
