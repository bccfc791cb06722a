#include "diagnostics/entries/qvr_directory_init_exception.h"

CQVRDirectoryInitException::CQVRDirectoryInitException(const WCHAR* szSourceFile, uint32_t ulLine)
    : CQVRLogException1(QVR_T("CQVRDirectory object failed to initialize"), static_cast<uint32_t>(-1), szSourceFile,
                        ulLine)
{
}
