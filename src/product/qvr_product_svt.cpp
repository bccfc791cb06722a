// The installed product probe.
#include "product/qvr_product_svt.h"

#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "product/qvr_common_policy.h"
#include "qvr_guard.h"

#include <new>

static const QVRSourceFile kThisFile = {QVR_T("CQVRProduct_SVT"), QVR_T("qvr_product_svt.cpp"),
                                        QVRErrorSource::LastError};

namespace {

const WCHAR* const kVersionValue = QVR_T("Version");
// The policy decides from this major version on.
const LONG kPolicyMajorVersion = 7;

}  // namespace

const WCHAR* const CQVRProduct_SVT::kRegistryKey = QVR_T("Software\\Dravonne\\Sentravault Solution");
const WCHAR* const CQVRProduct_SVT::kInstallValue = QVR_T("InstallPath");

CQVRProduct_SVT::CQVRProduct_SVT()
    : CQVRProduct(CQVRWCharString(QVR_T("Dravonne")), CQVRWCharString(QVR_T("Sentravault Solution")))
{
    qvrTraced(kThisFile, QVR_T("CQVRProduct_SVT"), __LINE__, rkPassFail, [&] {
        // The current key first, then the legacy one.
        const WCHAR* const kKeys[] = {kRegistryKey, QVR_T("Software\\Orvik Astervane\\Sentravault Software")};
        bool bAdded = true;
        for (const WCHAR* szKey : kKeys) {
            CQVRProductRegistryInfo* pInfo = new (std::nothrow) CQVRProductRegistryInfo(
                CQVRWCharString(szKey), CQVRWCharString(kVersionValue), CQVRWCharString(kInstallValue));
            // The list owns a record only once it holds it.
            const bool bHeld = pInfo != nullptr && m_RegistryInfo.add(pInfo);
            if (!bHeld)
                delete pInfo;
            bAdded = bHeld && bAdded;
        }
        return bAdded;
    });
}

CQVRProduct_SVT::~CQVRProduct_SVT() { qvrTracedPass(kThisFile, QVR_T("~CQVRProduct_SVT"), __LINE__); }

bool CQVRProduct_SVT::isCoreInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer, LONG lPatchVer)
{
    return qvrTraced(kThisFile, QVR_T("isCoreInstalled"), __LINE__, rkPassFail, [&]() -> bool {
        const LONG lRequested[] = {lMajorVer, lMinorVer, lBuildVer, lPatchVer};
        if (!checkParms(lRequested))
            throw CQVRBadArgException(QVR_T("lMinorVer, lBuildVer, or lPatchVer"),
                                      QVR_T("Cannot have value after QVR_DONT_CARE"), kThisFile, __LINE__);
        LONG lInstalled[] = {0, 0, 0, 0};
        if (!getProductVersion(lInstalled[0], lInstalled[1], lInstalled[2], lInstalled[3]))
            return false;
        return isVersionInstalled(lRequested, lInstalled);
    });
}

bool CQVRProduct_SVT::isInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer, LONG lPatchVer)
{
    return qvrTraced(kThisFile, QVR_T("isInstalled"), __LINE__, rkLogical, [&]() -> bool {
        if (!isCoreInstalled(lMajorVer, lMinorVer, lBuildVer, lPatchVer))
            return false;
        LONG lInstalled[] = {0, 0, 0, 0};
        if (!getProductVersion(lInstalled[0], lInstalled[1], lInstalled[2], lInstalled[3]))
            return false;
        if (lInstalled[0] < kPolicyMajorVersion)
            return true;
        DWORD ulInstall = 0;
        CQVRCommonPolicy policy;
        policy.getPolicy(CQVRCommonPolicy::csSVTInstall, ulInstall, false, CQVRWCharString());
        return ulInstall == 1;
    });
}

bool CQVRProduct_SVT::getProductVersion(LONG& lMajorVer, LONG& lMinorVer, LONG& lBuildVer, LONG& lPatchVer)
{
    return qvrTraced(kThisFile, QVR_T("getProductVersion"), __LINE__, rkPassFail, [&] {
        CQVRWCharString version;
        return getProductVersion(version) && convertVersion(version, lMajorVer, lMinorVer, lBuildVer, lPatchVer);
    });
}

bool CQVRProduct_SVT::getProductVersion(CQVRWCharString& version)
{
    return qvrTraced(kThisFile, QVR_T("getProductVersion"), __LINE__, rkPassFail,
                     [&] { return getRegistryItem(riVersion, version); });
}

bool CQVRProduct_SVT::getInstallDirectory(CQVRWCharString& directory)
{
    return qvrTraced(kThisFile, QVR_T("getInstallDirectory"), __LINE__, rkPassFail,
                     [&] { return getRegistryItem(riInstallDirectory, directory); });
}

bool CQVRProduct_SVT::getRegistryLocation(CQVRWCharString& location)
{
    return qvrTraced(kThisFile, QVR_T("getRegistryLocation"), __LINE__, rkPassFail,
                     [&] { return getRegistryItem(riLocation, location); });
}
