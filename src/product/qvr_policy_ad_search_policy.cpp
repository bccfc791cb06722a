// The search order with the policy tree first.
#include "product/qvr_policy_ad_search_policy.h"

#include "qvr_guard.h"

#include <initializer_list>

static const QVRSourceFile kThisFile = {QVR_T("CQVRPolicyADSearchPolicy"), QVR_T("qvr_policy_ad_search_policy.cpp"),
                                        QVRErrorSource::LastError};

CQVRPolicyADSearchPolicy::CQVRPolicyADSearchPolicy()
{
    qvrTraced(kThisFile, QVR_T("CQVRPolicyADSearchPolicy"), __LINE__, rkPassFail, [&] {
        // Every location is added even when one before it could not be.
        bool bAdded = true;
        for (PolicyLocation location :
             {plMachinePolicy, plUserPolicy, plMachinePolicyUserDefaults, plMachine, plUser, plMachineUserDefaults})
            bAdded = addPolicy(location) && bAdded;
        return bAdded;
    });
}

CQVRPolicyADSearchPolicy::~CQVRPolicyADSearchPolicy()
{
    qvrTracedPass(kThisFile, QVR_T("~CQVRPolicyADSearchPolicy"), __LINE__);
}
