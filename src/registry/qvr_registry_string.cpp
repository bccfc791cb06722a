// A REG_SZ value.
#include "registry/qvr_registry_string.h"

#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRRegistryValue"), QVR_T("qvr_registry_string.cpp"),
                                        QVRErrorSource::LastError};
// The read buffer: 259 characters and the terminator.
static const DWORD kReadBytes = 520;

CQVRRegistryString::CQVRRegistryString(HKEY hRootKey, const CQVRWCharString& strKeyPath,
                                       const CQVRWCharString& strValueName, REGSAM samAccess, bool bCreateIfMissing,
                                       DWORD ulOptions)
    : CQVRRegistryValue(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing, ulOptions), m_bCached(false)
{
}

bool CQVRRegistryString::getValue(CQVRWCharString& value, bool bUseCache)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!(bUseCache && m_bCached) && !readRegistry())
            return false;
        qvrCopyWhole(value, m_strValue);
        return true;
    });
}

bool CQVRRegistryString::setValue(const CQVRWCharString& value, bool bDeferWrite)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        // A text copied short must not be written over the value.
        qvrCopyWhole(m_strValue, value);
        return bDeferWrite || writeRegistry();
    });
}

bool CQVRRegistryString::readRegistry()
{
    return readValue(
        kThisFile, __LINE__,
        [&]() -> LONG {
            // One unit more than is read, so the text always ends.
            CQVRBuffer<unsigned short> text(kReadBytes / sizeof(WCHAR) + 1);
            DWORD ulBytes = kReadBytes;
            const LONG lResult = queryValue(text.getBuffer(), ulBytes);
            if (lResult == ERROR_SUCCESS)
                qvrCopyWhole(m_strValue, CQVRWCharString(qvrWide(text.getBuffer())));
            return lResult;
        },
        [&] { m_strValue = CQVRWCharString(); });
}

bool CQVRRegistryString::writeRegistry() { return writeText(REG_SZ, kThisFile, __LINE__); }

bool CQVRRegistryString::writeText(DWORD ulType, const QVRSourceFile& file, uint32_t ulLine)
{
    // Every element, the terminator included.
    if (!writeValue(ulType, m_strValue.getBuffer(), m_strValue.getSize() * sizeof(WCHAR), file, ulLine))
        return false;
    m_bCached = true;
    return true;
}
