// "Index out of array bounds": built and written at once like a plain CQVRLogException1, then
// thrown as this class.
#ifndef QVR_INDEX_OUT_OF_BOUNDS_EXCEPTION_H
#define QVR_INDEX_OUT_OF_BOUNDS_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRIndexOutOfBoundsException : public CQVRLogException1 {
public:
    CQVRIndexOutOfBoundsException(const WCHAR* szSourceFile, uint32_t ulLine)
        : CQVRLogException1(QVR_T("Index out of array bounds"), static_cast<uint32_t>(-1), szSourceFile, ulLine)
    {
    }
};

#endif
