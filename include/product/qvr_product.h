// An installed product, described by its vendor, its name and the registry
// locations where it may have registered itself, in search order. Concrete
// products answer whether they are installed and in which version.
#ifndef QVR_PRODUCT_H
#define QVR_PRODUCT_H

#include "core/qvr_dbllist.h"
#include "core/qvr_ptr_node.h"
#include "core/qvr_wchar_string.h"
#include "product/qvr_product_registryinfo.h"
#include "qvr_platform.h"

#include <cstdint>

// In a requested version: any value from this position on.
inline constexpr LONG QVR_DONT_CARE = -1;

class CQVRProduct {
public:
    // Items getRegistryItem can read.
    enum RegistryItem : uint32_t { riLocation = 1, riVersion = 2, riInstallDirectory = 3 };

    CQVRProduct(const CQVRWCharString& vendorName, const CQVRWCharString& productName);
    // Not virtual: products live on the stack. Frees the registry locations.
    ~CQVRProduct();

    // Installed in at least this version (QVR_DONT_CARE from any position on).
    virtual bool isInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer, LONG lPatchVer) = 0;
    virtual bool getProductVersion(LONG& lMajorVer, LONG& lMinorVer, LONG& lBuildVer, LONG& lPatchVer) = 0;
    virtual bool getProductVersion(CQVRWCharString& version) = 0;

    // A requested version uses QVR_DONT_CARE only from some position to the
    // end; anything else is written as a bad argument.
    bool checkParms(const LONG* lVersions);
    // The installed version is at least the requested one (major first).
    bool isVersionInstalled(const LONG* lRequested, const LONG* lInstalled);
    // The first four dot-separated fields as decimal numbers; a field that
    // is missing or not a number leaves its output as it was.
    bool convertVersion(const CQVRWCharString& text, LONG& lMajorVer, LONG& lMinorVer, LONG& lBuildVer,
                        LONG& lPatchVer);
    // The item from the first registry location that has it, in either
    // registry view; item untouched when none has it.
    bool getRegistryItem(uint32_t ulKind, CQVRWCharString& item);

    CQVRWCharString m_strVendorName;
    CQVRWCharString m_strProductName;
    CQVRDblList<CQVRPtrNode<CQVRProductRegistryInfo>> m_RegistryInfo;
};

#endif
