// Environment variables.
#include "system/qvr_environment_variable.h"

#include "diagnostics/entries/qvr_unhandled_exception_exception.h"
#include "diagnostics/entries/qvr_unknown_variable_name_exception.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVREnvironmentVariable"), QVR_T("qvr_environment_variable.cpp"),
                                        QVRErrorSource::LastError};

// The largest value the platform keeps.
static const DWORD kValueChars = 0x7FFF;

CQVREnvironmentVariable::CQVREnvironmentVariable(const CQVRWCharString& name)
{
    qvrTraced(kThisFile, QVR_T("CQVREnvironmentVariable"), __LINE__, rkPassFail, [&] {
        m_name = name;
        return true;
    });
}

bool CQVREnvironmentVariable::getValue(CQVRWCharString& value)
{
    // Unlike the rest of the library, a failure of unknown kind is handed to
    // the caller, as an unhandled-exception entry with no error code.
    bool bResult = false;
    bool bUnknown = false;
    qvrTraced(kThisFile, QVR_T("getValue"), __LINE__, rkLogical, [&]() -> bool {
        try {
            if (!m_name.isValid())
                throw CQVRUnknownVariableNameException(kThisFile, __LINE__);
            CQVRBuffer<unsigned short> buffer(kValueChars);
            if (GetEnvironmentVariableW(m_name.getText(), qvrWide(buffer.getBuffer()), kValueChars) == 0)
                return false;
            value = CQVRWCharString(buffer);
            bResult = true;
        } catch (CQVRLogging&) {
            throw;
        } catch (...) {
            bUnknown = true;
        }
        return bResult;
    });
    if (bUnknown)
        throw CQVRUnhandledExceptionException(static_cast<uint32_t>(-1), kThisFile, __LINE__);
    return bResult;
}
