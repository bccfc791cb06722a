// What the typed registry values share: the value name, and one way to read
// and one way to write.
#include "registry/qvr_registry_value.h"

#include "diagnostics/entries/qvr_reg_value_set_exception.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRRegistryValue"), QVR_T("qvr_registry_value.cpp"),
                                        QVRErrorSource::LastError};

CQVRRegistryValue::CQVRRegistryValue(HKEY hRootKey, const CQVRWCharString& strKeyPath,
                                     const CQVRWCharString& strValueName, REGSAM samAccess, bool bCreateIfMissing,
                                     DWORD ulOptions)
    : CQVRRegistryKey(hRootKey, strKeyPath, samAccess, bCreateIfMissing, ulOptions), m_bNameLost(false)
{
    qvrTry(kThisFile, __LINE__, [&] { m_strValueName = CQVRWCharString(strValueName); });
    // The assignment itself may also run out of memory, and only log it.
    m_bNameLost = !(m_strValueName == strValueName);
}

LONG CQVRRegistryValue::queryValue(void* pData, DWORD& ulBytes)
{
    return RegQueryValueExW(m_hKey, m_strValueName.getText(), nullptr, nullptr, static_cast<BYTE*>(pData), &ulBytes);
}

bool CQVRRegistryValue::getStoredType(DWORD& ulType)
{
    const bool bResult = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        DWORD ulStored = REG_NONE;
        DWORD ulBytes = 0;
        if (m_bNameLost || !ensureOpen() ||
            RegQueryValueExW(m_hKey, m_strValueName.getText(), nullptr, &ulStored, nullptr, &ulBytes) != ERROR_SUCCESS)
            return false;
        ulType = ulStored;
        return true;
    });
    closeIfOpen();
    return bResult;
}

bool CQVRRegistryValue::readValue(const QVRSourceFile& file, uint32_t ulLine, CQVRCallRef<LONG> query,
                                  CQVRCallRef<void> setEmpty)
{
    const bool bResult = qvrGuard(false, file, ulLine, [&]() -> bool {
        if (m_bNameLost || !ensureOpen())
            return false;
        const LONG lResult = query();
        if (lResult == ERROR_FILE_NOT_FOUND && m_bCreateIfMissing) {
            setEmpty();
            return writeRegistry();
        }
        return lResult == ERROR_SUCCESS;
    });
    closeIfOpen();
    return bResult;
}

bool CQVRRegistryValue::writeValue(DWORD ulType, const void* pData, DWORD ulBytes, const QVRSourceFile& file,
                                   uint32_t ulLine)
{
    const bool bResult = qvrGuard(false, file, ulLine, [&]() -> bool {
        if (m_bNameLost || !ensureOpen())
            return false;
        const LONG lResult =
            RegSetValueExW(m_hKey, m_strValueName.getText(), 0, ulType, static_cast<const BYTE*>(pData), ulBytes);
        if (lResult != ERROR_SUCCESS)
            throw CQVRRegValueSetException(m_strKeyPath.getText(), m_strValueName.getText(),
                                           static_cast<uint32_t>(lResult), file.szClassName, QVR_T("writeRegistry"),
                                           file, ulLine);
        return true;
    });
    closeIfOpen();
    return bResult;
}
