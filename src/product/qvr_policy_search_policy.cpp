// The search order of policy locations, and the location table.
#include "product/qvr_policy_search_policy.h"

#include "core/qvr_flags.h"
#include "diagnostics/entries/qvr_index_out_of_bounds_exception.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRPolicySearchPolicy"), QVR_T("qvr_policy_search_policy.cpp"),
                                        QVRErrorSource::LastError};

namespace {

struct LocationRow {
    HKEY hHive;
    const WCHAR* szTemplate;
};

// By bit position: 1 is row 0, 32 is row 5.
const LocationRow kLocations[] = {
    {HKEY_LOCAL_MACHINE, QVR_T("Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%")},
    {HKEY_CURRENT_USER, QVR_T("Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%")},
    {HKEY_LOCAL_MACHINE, QVR_T("Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%\\User Defaults")},
    {HKEY_LOCAL_MACHINE, QVR_T("Software\\%VENDOR_NAME%\\%PRODUCT_NAME%")},
    {HKEY_CURRENT_USER, QVR_T("Software\\%VENDOR_NAME%\\%PRODUCT_NAME%")},
    {HKEY_LOCAL_MACHINE, QVR_T("Software\\%VENDOR_NAME%\\%PRODUCT_NAME%\\User Defaults")},
};

// A value with a bit outside the six, or none, has no index: row 0.
const LocationRow& rowOf(uint32_t ulLocation)
{
    uint32_t ulIndex = 0;
    if (!CQVRFlags(0x3F).getIndex(ulLocation, ulIndex))
        ulIndex = 0;
    return kLocations[ulIndex];
}

}  // namespace

CQVRPolicySearchPolicy::CQVRPolicySearchPolicy()
{
    qvrTracedPass(kThisFile, QVR_T("CQVRPolicySearchPolicy"), __LINE__);
}

CQVRPolicySearchPolicy::~CQVRPolicySearchPolicy()
{
    qvrTraced(kThisFile, QVR_T("~CQVRPolicySearchPolicy"), __LINE__, rkPassFail, [&] { return removeAll(); });
}

CQVRPolicySearchPolicy::CQVRPolicySearchPolicy(const CQVRPolicySearchPolicy& other)
    : CQVRPolicyLocations(), CQVRDblList(other)
{
    qvrTracedPass(kThisFile, QVR_T("CQVRPolicySearchPolicy"), __LINE__);
}

CQVRPolicySearchPolicy& CQVRPolicySearchPolicy::operator=(const CQVRPolicySearchPolicy& other)
{
    qvrTraced(kThisFile, QVR_T("operator="), __LINE__, rkPassFail, [&] { return copyFrom(other); });
    return *this;
}

bool CQVRPolicySearchPolicy::addPolicy(PolicyLocation location)
{
    return qvrTraced(kThisFile, QVR_T("addPolicy"), __LINE__, rkPassFail, [&] { return add(location, 0); });
}

CQVRPolicySearchPolicy::PolicyLocation CQVRPolicySearchPolicy::getPolicyLocation(uint32_t ulIndex)
{
    PolicyLocation location = plMachinePolicy;
    // No boolean answer: the trace stores a pass, an index error included.
    qvrTraced(kThisFile, QVR_T("getPolicyLocation"), __LINE__, rkPassFail, [&] {
        qvrTry(kThisFile, __LINE__, [&] {
            if (ulIndex >= getCount())
                throw CQVRIndexOutOfBoundsException(kThisFile, __LINE__);
            moveFirst();
            for (uint32_t i = 0; i < ulIndex; ++i)
                moveNext();
            getCurrent(location);
        });
        return true;
    });
    return location;
}

HKEY CQVRPolicySearchPolicy::getHive(uint32_t ulLocation) { return rowOf(ulLocation).hHive; }

const WCHAR* CQVRPolicySearchPolicy::getKeyTemplate(uint32_t ulLocation) { return rowOf(ulLocation).szTemplate; }
