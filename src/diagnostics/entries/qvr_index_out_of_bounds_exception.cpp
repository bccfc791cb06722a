#include "diagnostics/entries/qvr_index_out_of_bounds_exception.h"

CQVRIndexOutOfBoundsException::CQVRIndexOutOfBoundsException(const WCHAR* szSourceFile, uint32_t ulLine)
    : CQVRLogException1(QVR_T("Index out of array bounds"), static_cast<uint32_t>(-1), szSourceFile, ulLine)
{
}
