// A REG_MULTI_SZ value.
#include "registry/qvr_registry_multi_string.h"

#include "qvr_guard.h"

#include <new>

static const QVRSourceFile kThisFile = {QVR_T("CQVRRegistryMultiString"), QVR_T("qvr_registry_multi_string.cpp"),
                                        QVRErrorSource::LastError};

namespace {

// The list's strings that hold text; one that failed to copy is left out.
template <class Visit> void forEachText(CQVRStringList& strings, Visit&& visit)
{
    for (bool bMore = strings.moveFirst(); bMore; bMore = strings.moveNext()) {
        CQVRWCharString* pString = nullptr;
        if (strings.getCurrent(pString) && pString->isValid())
            visit(*pString);
    }
}

}  // namespace

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
        // The widening logs running out of memory and gives no units at all.
        if (units.getSize() != (data.getSize() + 1) / 2)
            throw std::bad_alloc();
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
        kThisFile, __LINE__,
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
                // A split that ran out of memory holds part of the list only.
                if (!m_bCached)
                    return ERROR_NOT_ENOUGH_MEMORY;
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
        uint64_t ullUnits = 0;
        forEachText(m_lstValue,
                    [&](const CQVRWCharString& text) { ullUnits += static_cast<uint64_t>(text.getLength()) + 1; });
        if (ullUnits > 0)
            ++ullUnits;
        if (ullUnits * sizeof(WCHAR) > 0xFFFFFFFFu)
            throw CQVRMemAllocException(QVR_T("units"), kThisFile, __LINE__);
        CQVRBuffer<unsigned short> units(static_cast<uint32_t>(ullUnits));
        uint32_t ulAt = 0;
        forEachText(m_lstValue, [&](const CQVRWCharString& text) {
            qvrCopyElements(units.getBuffer() + ulAt, text.getBuffer(), text.getLength(), __LINE__);
            ulAt += text.getLength() + 1;  // the terminator is the buffer's zero
        });
        const bool bWritten = writeValue(REG_MULTI_SZ, units.getSize() == 0 ? nullptr : units.getBuffer(),
                                         units.getSize() * static_cast<DWORD>(sizeof(WCHAR)), kThisFile, __LINE__);
        if (bWritten)
            m_bCached = true;
        return bWritten;
    });
}
