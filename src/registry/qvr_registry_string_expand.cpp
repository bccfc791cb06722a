// A REG_EXPAND_SZ value.
#include "registry/qvr_registry_string_expand.h"

#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRRegistryStringExpand"), QVR_T("qvr_registry_string_expand.cpp"),
                                        QVRErrorSource::LastError};

CQVRRegistryStringExpand::CQVRRegistryStringExpand(HKEY hRootKey, const CQVRWCharString& strKeyPath,
                                                   const CQVRWCharString& strValueName, REGSAM samAccess,
                                                   bool bCreateIfMissing, DWORD ulOptions)
    : CQVRRegistryString(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing, ulOptions)
{
}

bool CQVRRegistryStringExpand::getValue(CQVRWCharString& value, bool bUseCache, bool bExpand)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRWCharString stored;
        if (!getValue(stored, bUseCache))
            return false;
        if (!bExpand) {
            qvrCopyWhole(value, stored);
            return true;
        }
        const WCHAR* szStored = stored.isValid() ? stored.getText() : QVR_T("");
        const DWORD ulNeeded = ExpandEnvironmentStringsW(szStored, nullptr, 0);
        if (ulNeeded == 0)
            return false;
        CQVRBuffer<unsigned short> expanded(ulNeeded + 1);
        // The environment may change between the two calls.
        if (ExpandEnvironmentStringsW(szStored, qvrWide(expanded.getBuffer()), ulNeeded + 1) != ulNeeded)
            return false;
        qvrCopyWhole(value, CQVRWCharString(expanded));
        return true;
    });
}

bool CQVRRegistryStringExpand::writeRegistry()
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        const uint32_t ulPercent = m_strValue.countOf(QVR_T("%"));
        if (ulPercent == 0 || ulPercent % 2 != 0)
            throw CQVRBadArgException(QVR_T("m_szRegStringCache"),
                                      QVR_T("value doesn't represent an expandable value which is required"), kThisFile,
                                      __LINE__);
        return writeText(REG_EXPAND_SZ, kThisFile, __LINE__);
    });
}
