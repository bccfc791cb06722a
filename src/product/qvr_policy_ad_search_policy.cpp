// The search order with the policy tree first.
#include "product/qvr_policy_ad_search_policy.h"

#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRPolicyADSearchPolicy"), QVR_T("qvr_policy_ad_search_policy.cpp"),
                                        QVRErrorSource::LastError};

CQVRPolicyADSearchPolicy::CQVRPolicyADSearchPolicy()
{
    qvrTraced(kThisFile, QVR_T("CQVRPolicyADSearchPolicy"), __LINE__, rkPassFail, [&] {
        return addPolicy(plMachinePolicy) && addPolicy(plUserPolicy) && addPolicy(plMachinePolicyUserDefaults) &&
               addPolicy(plMachine) && addPolicy(plUser) && addPolicy(plMachineUserDefaults);
    });
}

CQVRPolicyADSearchPolicy::~CQVRPolicyADSearchPolicy()
{
    qvrTraced(kThisFile, QVR_T("~CQVRPolicyADSearchPolicy"), __LINE__, rkPassFail, [] { return true; });
}
