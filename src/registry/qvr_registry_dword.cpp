// A REG_DWORD value.
#include "registry/qvr_registry_dword.h"

#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRRegistryDword"), QVR_T("qvr_registry_dword.cpp"),
                                        QVRErrorSource::LastError};

CQVRRegistryDword::CQVRRegistryDword(HKEY hRootKey, const CQVRWCharString& strKeyPath,
                                     const CQVRWCharString& strValueName, REGSAM samAccess, bool bCreateIfMissing,
                                     DWORD ulOptions)
    : CQVRRegistryValue(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing, ulOptions), m_bCached(false),
      m_ulValue(0)
{
}

bool CQVRRegistryDword::getValue(uint32_t& ulValue, bool bUseCache)
{
    if (!(bUseCache && m_bCached) && !readRegistry())
        return false;
    ulValue = m_ulValue;
    return true;
}

bool CQVRRegistryDword::setValue(uint32_t ulValue, bool bDeferWrite)
{
    m_ulValue = ulValue;
    return bDeferWrite || writeRegistry();
}

bool CQVRRegistryDword::readRegistry()
{
    return readValue(
        kThisFile, __LINE__,
        [&]() -> LONG {
            // A value shorter than four bytes leaves the rest zero.
            uint32_t ulValue = 0;
            DWORD ulBytes = sizeof(ulValue);
            const LONG lResult = queryValue(&ulValue, ulBytes);
            if (lResult == ERROR_SUCCESS) {
                m_ulValue = ulValue;
                m_bCached = true;
            }
            return lResult;
        },
        [&] { m_ulValue = 0; });
}

bool CQVRRegistryDword::writeRegistry()
{
    if (!writeValue(REG_DWORD, &m_ulValue, sizeof(m_ulValue), kThisFile, __LINE__))
        return false;
    m_bCached = true;
    return true;
}
