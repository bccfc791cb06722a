// A REG_MULTI_SZ value.
#include "registry/qvr_registry_multi_string.h"

#include "qvr_guard.h"

#include <vector>

static const QVRSourceFile kThisFile = {QVR_T("CQVRRegistryMultiString"), QVR_T("qvr_registry_multi_string.cpp"),
                                        QVRErrorSource::LastError};

CQVRRegistryMultiString::CQVRRegistryMultiString(HKEY hRootKey, const CQVRWCharString& strKeyPath,
                                                 const CQVRWCharString& strValueName, REGSAM samAccess,
                                                 bool bCreateIfMissing, DWORD ulOptions)
    : CQVRRegistryValue(hRootKey, strKeyPath, strValueName, samAccess, bCreateIfMissing, ulOptions), m_bCached(false)
{
}

bool CQVRRegistryMultiString::setValue(const CQVRStringList& value, bool bDeferWrite)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!m_lstValue.copyFrom(value))
            return false;
        return bDeferWrite || writeRegistry();
    });
}

bool CQVRRegistryMultiString::split(const CQVRBuffer<unsigned char>& data, CQVRStringList& strings)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        strings.removeAll();
        const CQVRBuffer<unsigned short> units = data.toWideBuffer();
        const unsigned short* p = units.getBuffer();
        const uint32_t ulCount = units.getSize();
        uint32_t ulStart = 0;
        uint32_t ulKey = 0;
        for (uint32_t i = 0; i < ulCount; ++i) {
            if (p[i] != 0)
                continue;
            const CQVRBuffer<unsigned short> text(p + ulStart, i - ulStart, 0);
            if (!strings.add(CQVRWCharString(text), ulKey++))
                return false;
            if (i + 1 < ulCount && p[i + 1] == 0)
                break;
            ulStart = i + 1;
        }
        return true;
    });
}

bool CQVRRegistryMultiString::readRegistry()
{
    return readValue(
        [&]() -> LONG {
            // The size comes first: asking for it closes the key.
            DWORD ulMaxBytes = 0;
            if (!getMaxValueDataLength(ulMaxBytes) || !ensureOpen())
                return ERROR_INVALID_HANDLE;
            CQVRBuffer<unsigned char> data(ulMaxBytes);
            DWORD ulBytes = ulMaxBytes;
            const LONG lResult = queryValue(data.getBuffer(), ulBytes);
            if (lResult == ERROR_SUCCESS) {
                const CQVRBuffer<unsigned char> read(data.getBuffer(), ulBytes, 0);
                m_bCached = split(read, m_lstValue);
            }
            return lResult;
        },
        [&] {
            // Cached only when the empty list is written.
            m_lstValue.removeAll();
            m_bCached = false;
        });
}

bool CQVRRegistryMultiString::writeRegistry()
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        // Each string with its terminator, then one more zero; a string with
        // no text adds nothing.
        std::vector<unsigned short> units;
        for (bool bMore = m_lstValue.moveFirst(); bMore; bMore = m_lstValue.moveNext()) {
            CQVRWCharString* pString = nullptr;
            if (!m_lstValue.getCurrent(pString) || !pString->isValid())
                continue;
            const unsigned short* pText = pString->getBuffer();
            units.insert(units.end(), pText, pText + pString->getLength());
            units.push_back(0);
        }
        if (!units.empty())
            units.push_back(0);
        const bool bWritten = writeValue(REG_MULTI_SZ, units.empty() ? nullptr : units.data(),
                                         static_cast<DWORD>(units.size() * sizeof(WCHAR)), kThisFile.szClassName);
        if (bWritten)
            m_bCached = true;
        return bWritten;
    });
}
