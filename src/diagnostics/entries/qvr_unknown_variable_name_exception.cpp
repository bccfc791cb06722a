#include "diagnostics/entries/qvr_unknown_variable_name_exception.h"

CQVRUnknownVariableNameException::CQVRUnknownVariableNameException(const WCHAR* szSourceFile, uint32_t ulLine)
    : CQVRLogException1(QVR_T("The environment variable name has not been initialized"), static_cast<uint32_t>(-1),
                        szSourceFile, ulLine)
{
}
