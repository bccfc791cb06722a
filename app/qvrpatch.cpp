// qvrpatch.exe: a Windows program without a window of its own, which speaks
// through message boxes only. Its exit code is 0 on every path, so a
// deployment tool tells success by the patch record in the registry.
#include "qvr_patch_driver.h"

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR lpCmdLine, int) { return runPatch(lpCmdLine); }

// An exception never leaves runPatch; the runtime's default terminate handler
// would still bring its name demangler and printf along (a third of the file).
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
