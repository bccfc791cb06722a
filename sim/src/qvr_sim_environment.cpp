// The process's environment variables: names compared without regard to
// case, with the size rules of Windows' calls. A process starts with the
// environment Windows gives an administrator; tests set what they rely on.
#include "qvr_sim_state.h"

#include <algorithm>

namespace {

const char* const kDefaultEnvironment[][2] = {
    {"ALLUSERSPROFILE", "C:\\ProgramData"},
    {"APPDATA", "C:\\Users\\Administrator\\AppData\\Roaming"},
    {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
    {"COMPUTERNAME", "QVRTEST"},
    {"ComSpec", "C:\\Windows\\system32\\cmd.exe"},
    {"OS", "Windows_NT"},
    {"Path", "C:\\Windows\\system32;C:\\Windows;C:\\Windows\\System32\\Wbem"},
    {"PATHEXT", ".COM;.EXE;.BAT;.CMD"},
    {"ProgramData", "C:\\ProgramData"},
    {"ProgramFiles", "C:\\Program Files"},
    {"SystemDrive", "C:"},
    {"SystemRoot", "C:\\Windows"},
    {"TEMP", "C:\\Users\\Administrator\\AppData\\Local\\Temp"},
    {"TMP", "C:\\Users\\Administrator\\AppData\\Local\\Temp"},
    {"USERNAME", "Administrator"},
    {"USERPROFILE", "C:\\Users\\Administrator"},
    {"windir", "C:\\Windows"},
};

bool injected(const char* function)
{
    DWORD error;
    if (!qvrsim::injectedFailure(function, error))
        return false;
    SetLastError(error);
    return true;
}

const qvrsim::wstr* lookUp(const qvrsim::wstr& name)
{
    const auto& environment = qvrsim::machine().environment;
    auto it = environment.find(qvrsim::lowerCase(name));
    return it == environment.end() ? nullptr : &it->second.second;
}

// As Wine expands: "%name%" of a variable becomes its value; any other
// text between two percent signs, "%%" included, stays as it is, both signs
// with it; a sign without a partner stays too. Values are not expanded again.
qvrsim::wstr expand(const qvrsim::wstr& source)
{
    qvrsim::wstr out;
    size_t pos = 0;
    while (pos < source.size()) {
        size_t open = source.find(u'%', pos);
        size_t close = open == qvrsim::wstr::npos ? open : source.find(u'%', open + 1);
        if (close == qvrsim::wstr::npos) {
            out += source.substr(pos);
            break;
        }
        out += source.substr(pos, open - pos);
        qvrsim::wstr name = source.substr(open + 1, close - open - 1);
        const qvrsim::wstr* value = name.empty() ? nullptr : lookUp(name);
        out += value ? *value : source.substr(open, close - open + 1);
        pos = close + 1;
    }
    return out;
}

}  // namespace

namespace qvrsim {

void startEnvironment(Machine& m)
{
    m.environment.clear();
    for (const auto& variable : kDefaultEnvironment) {
        wstr name = fromUtf8(variable[0]);
        m.environment[lowerCase(name)] = std::make_pair(name, fromUtf8(variable[1]));
    }
}

}  // namespace qvrsim

// A value that fits gives its length and leaves the last error alone (an
// empty value so gives 0); one that does not fit gives the size needed,
// terminator included, and nothing is written.
DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize)
{
    if (injected("GetEnvironmentVariableW"))
        return 0;
    const qvrsim::wstr* value = lpName && *lpName ? lookUp(lpName) : nullptr;
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (lpBuffer == nullptr || value->size() >= nSize)
        return static_cast<DWORD>(value->size() + 1);
    std::copy(value->begin(), value->end(), lpBuffer);
    lpBuffer[value->size()] = 0;
    return static_cast<DWORD>(value->size());
}

// A name is not empty and holds no "=" past its first character; no value
// removes the variable (also one that is not there).
BOOL SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue)
{
    if (injected("SetEnvironmentVariableW"))
        return FALSE;
    if (lpName == nullptr) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return FALSE;
    }
    qvrsim::wstr name(lpName);
    if (name.empty() || name.find(u'=', 1) != qvrsim::wstr::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto& environment = qvrsim::machine().environment;
    if (lpValue == nullptr)
        environment.erase(qvrsim::lowerCase(name));
    else
        environment[qvrsim::lowerCase(name)] = std::make_pair(name, qvrsim::wstr(lpValue));
    return TRUE;
}

// The result counts characters with the terminator. As Wine does, a buffer
// too small gets as much as fits and a terminator, and the last error
// becomes ERROR_INSUFFICIENT_BUFFER; a result that fits leaves it alone.
DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize)
{
    if (injected("ExpandEnvironmentStringsW"))
        return 0;
    if (lpSrc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    qvrsim::wstr text = expand(lpSrc);
    DWORD cchNeeded = static_cast<DWORD>(text.size() + 1);
    if (nSize < cchNeeded) {
        if (lpDst && nSize) {
            std::copy(text.begin(), text.begin() + (nSize - 1), lpDst);
            lpDst[nSize - 1] = 0;
        }
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return cchNeeded;
    }
    if (lpDst) {
        std::copy(text.begin(), text.end(), lpDst);
        lpDst[text.size()] = 0;
    }
    return cchNeeded;
}
