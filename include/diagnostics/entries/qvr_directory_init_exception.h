// "CQVRDirectory object failed to initialize": built and written at once like a plain CQVRLogException1, then
// thrown as this class.
#ifndef QVR_DIRECTORY_INIT_EXCEPTION_H
#define QVR_DIRECTORY_INIT_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRDirectoryInitException : public CQVRLogException1 {
public:
    CQVRDirectoryInitException(const WCHAR* szSourceFile, uint32_t ulLine)
        : CQVRLogException1(QVR_T("CQVRDirectory object failed to initialize"), static_cast<uint32_t>(-1), szSourceFile,
                            ulLine)
    {
    }
};

#endif
