// One variable of the process environment, by name.
#ifndef QVR_ENVIRONMENT_VARIABLE_H
#define QVR_ENVIRONMENT_VARIABLE_H

#include "core/qvr_wchar_string.h"

class CQVREnvironmentVariable {
public:
    explicit CQVREnvironmentVariable(const CQVRWCharString& name);

    // The variable's value; false (value untouched) when it is absent or
    // empty, and for an object without a name. Anything else that goes wrong
    // reaches the caller as CQVRUnhandledExceptionException.
    bool getValue(CQVRWCharString& value);

    CQVRWCharString m_name;
};

#endif
