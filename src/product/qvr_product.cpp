// What every product descriptor shares: version rules and registry lookups.
#include "product/qvr_product.h"

#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/qvr_log_message.h"
#include "qvr_guard.h"
#include "registry/qvr_registry_string.h"
#include "system/qvr_windows_os_info.h"

#include <new>

static const QVRSourceFile kThisFile = {QVR_T("CQVRProduct"), QVR_T("qvr_product.cpp"), QVRErrorSource::LastError};

static const uint32_t kVersionFields = 4;

// Whether field ulField (from 1) of the dotted text is plain decimal digits,
// with an optional leading '-'. Such a field always converts, so failing to
// read it means memory ran out; this scan allocates nothing.
static bool isPlainDecimalField(const CQVRWCharString& text, uint32_t ulField)
{
    const unsigned short* pUnits = text.getBuffer();
    const uint32_t ulLength = text.getLength();
    uint32_t i = 0;
    for (uint32_t n = 1; n < ulField; ++n) {
        while (i < ulLength && pUnits[i] != '.')
            ++i;
        if (i == ulLength)
            return false;
        ++i;
    }
    if (i < ulLength && pUnits[i] == '-')
        ++i;
    const uint32_t ulFirstDigit = i;
    while (i < ulLength && pUnits[i] >= '0' && pUnits[i] <= '9')
        ++i;
    return i > ulFirstDigit && (i == ulLength || pUnits[i] == '.');
}

CQVRProduct::CQVRProduct(const CQVRWCharString& vendorName, const CQVRWCharString& productName)
    : m_strVendorName(vendorName), m_strProductName(productName)
{
    qvrTracedPass(kThisFile, QVR_T("CQVRProduct"), __LINE__);
}

CQVRProduct::~CQVRProduct()
{
    qvrTraced(kThisFile, QVR_T("~CQVRProduct"), __LINE__, rkPassFail, [&] { return m_RegistryInfo.removeAll(); });
}

bool CQVRProduct::checkParms(const LONG* lVersions)
{
    return qvrTraced(kThisFile, QVR_T("checkParms"), __LINE__, rkPassFail, [&]() -> bool {
        if (lVersions == nullptr)
            throw CQVRBadArgException(QVR_T("lVersions"), QVR_T("Cannot have NULL value"), kThisFile, __LINE__);
        for (uint32_t i = 0; i + 1 < kVersionFields; ++i) {
            if (lVersions[i] != QVR_DONT_CARE)
                continue;
            for (uint32_t j = i + 1; j < kVersionFields; ++j) {
                if (lVersions[j] != QVR_DONT_CARE)
                    throw CQVRBadArgException(CQVRLogMessage(QVR_T("lVersions[%d]"), j).text(),
                                              QVR_T("Cannot be real value, QVR_DONT_CAREs prior"), kThisFile, __LINE__);
            }
        }
        return true;
    });
}

bool CQVRProduct::isVersionInstalled(const LONG* lRequested, const LONG* lInstalled)
{
    return qvrTraced(kThisFile, QVR_T("isVersionInstalled"), __LINE__, rkPassFail, [&]() -> bool {
        for (uint32_t i = 0; i < kVersionFields; ++i) {
            if (lRequested[i] < lInstalled[i])
                return true;
            if (lRequested[i] > lInstalled[i])
                return false;
        }
        return true;
    });
}

bool CQVRProduct::convertVersion(const CQVRWCharString& text, LONG& lMajorVer, LONG& lMinorVer, LONG& lBuildVer,
                                 LONG& lPatchVer)
{
    return qvrTraced(kThisFile, QVR_T("convertVersion"), __LINE__, rkPassFail, [&] {
        LONG* const outputs[kVersionFields] = {&lMajorVer, &lMinorVer, &lBuildVer, &lPatchVer};
        for (uint32_t n = 0; n < kVersionFields; ++n) {
            CQVRWCharString field;
            uint32_t ulNumber = 0;
            if (text.getToken(field, QVR_T("."), n + 1, CQVRWCharString::tmSeparated, CQVRFlags(0), CQVRFlags(0)) &&
                field.toNumber(ulNumber, CQVRWCharString::nsDec))
                *outputs[n] = static_cast<LONG>(ulNumber);
            else if (isPlainDecimalField(text, n + 1))
                throw std::bad_alloc();  // a number lost would pass for one left out
        }
        return true;
    });
}

bool CQVRProduct::getRegistryItem(uint32_t ulKind, CQVRWCharString& item)
{
    return qvrTraced(kThisFile, QVR_T("getRegistryItem"), __LINE__, rkPassFail, [&]() -> bool {
        // The other view to try: the 32-bit one on a 64-bit Windows, the
        // 64-bit one on a 32-bit Windows.
        const REGSAM samOtherView =
            CQVRWindowsOSInfo().getPlatform() == CQVRWindowsOSInfo::wp64Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
        for (bool bMore = m_RegistryInfo.moveFirst(); bMore; bMore = m_RegistryInfo.moveNext()) {
            CQVRProductRegistryInfo* pInfo = nullptr;
            if (!m_RegistryInfo.getCurrent(pInfo) || pInfo == nullptr)
                continue;
            const CQVRWCharString& valueName =
                ulKind == riVersion ? pInfo->m_strVersionValue : pInfo->m_strInstallValue;
            CQVRWCharString read;
            if (!CQVRRegistryString(HKEY_LOCAL_MACHINE, pInfo->m_strKey, valueName, KEY_READ, false, 0)
                     .getValue(read, false) &&
                !CQVRRegistryString(HKEY_LOCAL_MACHINE, pInfo->m_strKey, valueName, KEY_READ | samOtherView, false, 0)
                     .getValue(read, false))
                continue;
            // Whole or failed: an empty or cut copy would pass for the item.
            qvrCopyWhole(item, ulKind == riLocation ? pInfo->m_strKey : read);
            return true;
        }
        return false;
    });
}
