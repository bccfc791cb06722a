// The search order of the product tree only.
#include "product/qvr_policy_olvaine_search_policy.h"

#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRPolicyOlvaineSearchPolicy"),
                                        QVR_T("qvr_policy_olvaine_search_policy.cpp"), QVRErrorSource::LastError};

CQVRPolicyOlvaineSearchPolicy::CQVRPolicyOlvaineSearchPolicy()
{
    qvrTraced(kThisFile, QVR_T("CQVRPolicyOlvaineSearchPolicy"), __LINE__, rkPassFail,
              [&] { return addPolicy(plMachine) && addPolicy(plUser) && addPolicy(plMachineUserDefaults); });
}

CQVRPolicyOlvaineSearchPolicy::~CQVRPolicyOlvaineSearchPolicy()
{
    qvrTraced(kThisFile, QVR_T("~CQVRPolicyOlvaineSearchPolicy"), __LINE__, rkPassFail, [] { return true; });
}
