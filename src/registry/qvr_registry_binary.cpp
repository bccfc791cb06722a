// A REG_BINARY value.
#include "registry/qvr_registry_binary.h"

#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRRegistryBinary"), QVR_T("qvr_registry_binary.cpp"),
                                        QVRErrorSource::LastError};

CQVRRegistryBinary::CQVRRegistryBinary(HKEY hRootKey, const CQVRWCharString& strKeyPath,
                                       const CQVRWCharString& strValueName, REGSAM samAccess, bool bCreateIfMissing,
                                       DWORD ulOptions)
    : CQVRRegistryValue(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing, ulOptions), m_bCached(false),
      m_Data(0)
{
}

bool CQVRRegistryBinary::setValue(const CQVRBuffer<unsigned char>& value, bool bDeferWrite)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        // As for a text: bytes copied short must not be written over the value.
        qvrCopyWhole(m_Data, value);
        return bDeferWrite || writeRegistry();
    });
}

bool CQVRRegistryBinary::readRegistry()
{
    return readValue(
        kThisFile, __LINE__,
        [&]() -> LONG {
            DWORD ulBytes = 0;
            if (queryValue(nullptr, ulBytes) != ERROR_SUCCESS)
                ulBytes = 0;
            CQVRBuffer<unsigned char> data(ulBytes);
            // Always name a buffer, even one without room: given none, the
            // platform answers the size again and the value reads as zeros.
            unsigned char ucNoRoom = 0;
            const LONG lResult = queryValue(data.isValid() ? data.getBuffer() : &ucNoRoom, ulBytes);
            if (lResult == ERROR_SUCCESS) {
                // The value may have shrunk since its size was asked for.
                const CQVRBuffer<unsigned char> read(data.getBuffer(), ulBytes, 0);
                // Bytes copied short must not pass for the value.
                qvrCopyWhole(m_Data, read);
                m_bCached = true;
            }
            return lResult;
        },
        [&] { m_Data = CQVRBuffer<unsigned char>(0); });
}

bool CQVRRegistryBinary::writeRegistry()
{
    if (!writeValue(REG_BINARY, m_Data.getBuffer(), m_Data.getSize(), kThisFile, __LINE__))
        return false;
    m_bCached = true;
    return true;
}
