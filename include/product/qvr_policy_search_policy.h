// The order in which a product policy looks for a setting: a list of policy
// locations, first hit wins. Each location is one bit and stands for a hive
// and a key template that the setting fills with vendor and product names.
#ifndef QVR_POLICY_SEARCH_POLICY_H
#define QVR_POLICY_SEARCH_POLICY_H

#include "core/qvr_dbllist.h"
#include "core/qvr_std_node.h"
#include "qvr_platform.h"

#include <cstdint>

// The locations, apart so that the list can be declared over them.
struct CQVRPolicyLocations {
    enum PolicyLocation {
        plMachinePolicy = 1,              // HKLM Software\Policies\<vendor>\<product>
        plUserPolicy = 2,                 // HKCU Software\Policies\<vendor>\<product>
        plMachinePolicyUserDefaults = 4,  // HKLM Software\Policies\<vendor>\<product>\User Defaults
        plMachine = 8,                    // HKLM Software\<vendor>\<product>
        plUser = 16,                      // HKCU Software\<vendor>\<product>
        plMachineUserDefaults = 32        // HKLM Software\<vendor>\<product>\User Defaults
    };
};

class CQVRPolicySearchPolicy : public CQVRPolicyLocations,
                               public CQVRDblList<CQVRStdNode<CQVRPolicyLocations::PolicyLocation>> {
public:
    CQVRPolicySearchPolicy();
    ~CQVRPolicySearchPolicy();
    CQVRPolicySearchPolicy(const CQVRPolicySearchPolicy& other);
    CQVRPolicySearchPolicy& operator=(const CQVRPolicySearchPolicy& other);

    // At the end of the order; no check of the value, no duplicate check.
    bool addPolicy(PolicyLocation location);
    // The location at ulIndex (from 0); an index past the end is written
    // as an index error and answered with plMachinePolicy. Leaves the
    // cursor on the element.
    PolicyLocation getPolicyLocation(uint32_t ulIndex);

    // A location's hive and key template (with %VENDOR_NAME% and
    // %PRODUCT_NAME%): by its highest bit within 0x3F, the machine policy row
    // when it has none there.
    static HKEY getHive(uint32_t ulLocation);
    static const WCHAR* getKeyTemplate(uint32_t ulLocation);
};

#endif
