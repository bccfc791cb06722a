// qvrpatch.exe: a Windows program without a window of its own, which speaks
// through message boxes only. Its exit code is 0 on every path, so a
// deployment tool tells success by the patch record in the registry.
#include "qvr_patch_driver.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR lpCmdLine, int) { return runPatch(lpCmdLine); }
