// The search order of the product tree only.
#include "product/qvr_policy_olvaine_search_policy.h"

#include "qvr_guard.h"

#include <initializer_list>

static const QVRSourceFile kThisFile = {QVR_T("CQVRPolicyOlvaineSearchPolicy"),
                                        QVR_T("qvr_policy_olvaine_search_policy.cpp"), QVRErrorSource::LastError};

CQVRPolicyOlvaineSearchPolicy::CQVRPolicyOlvaineSearchPolicy()
{
    qvrTraced(kThisFile, QVR_T("CQVRPolicyOlvaineSearchPolicy"), __LINE__, rkPassFail, [&] {
        // Every location is added even when one before it could not be.
        bool bAdded = true;
        for (PolicyLocation location : {plMachine, plUser, plMachineUserDefaults})
            bAdded = addPolicy(location) && bAdded;
        return bAdded;
    });
}

CQVRPolicyOlvaineSearchPolicy::~CQVRPolicyOlvaineSearchPolicy()
{
    qvrTracedPass(kThisFile, QVR_T("~CQVRPolicyOlvaineSearchPolicy"), __LINE__);
}
