// The patched product, "Sentravault Solution": registered under its current
// key, or under the legacy key of its former owner.
#ifndef QVR_PRODUCT_SVT_H
#define QVR_PRODUCT_SVT_H

#include "product/qvr_product.h"

class CQVRProduct_SVT : public CQVRProduct {
public:
    CQVRProduct_SVT();
    ~CQVRProduct_SVT();

    // The product's current key, and its value that names the install
    // directory: the installer also reads them in the 64-bit view.
    static const WCHAR* const kRegistryKey;
    static const WCHAR* const kInstallValue;

    // At least this version, and from major version 7 on also allowed by the
    // common policy's "SVTInstall".
    bool isInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer, LONG lPatchVer) override;
    // At least this version, without the policy.
    bool isCoreInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer, LONG lPatchVer);
    bool getProductVersion(LONG& lMajorVer, LONG& lMinorVer, LONG& lBuildVer, LONG& lPatchVer) override;
    bool getProductVersion(CQVRWCharString& version) override;
    // The install directory as stored (callers append file names to it).
    bool getInstallDirectory(CQVRWCharString& directory);
    // The key under which the install directory was found.
    bool getRegistryLocation(CQVRWCharString& location);
};

#endif
