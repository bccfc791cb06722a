#ifndef QVR_INDEX_OUT_OF_BOUNDS_EXCEPTION_H
#define QVR_INDEX_OUT_OF_BOUNDS_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

// "Index out of array bounds"; written at once, then thrown to the caller.
class CQVRIndexOutOfBoundsException : public CQVRLogException1 {
public:
    CQVRIndexOutOfBoundsException(const WCHAR* szSourceFile, uint32_t ulLine);
};

#endif
