// The search order that puts the policy tree first: machine policy, user
// policy, machine policy user defaults, then the product's machine key, user
// key and machine user defaults.
#ifndef QVR_POLICY_AD_SEARCH_POLICY_H
#define QVR_POLICY_AD_SEARCH_POLICY_H

#include "product/qvr_policy_search_policy.h"

class CQVRPolicyADSearchPolicy : public CQVRPolicySearchPolicy {
public:
    CQVRPolicyADSearchPolicy();
    ~CQVRPolicyADSearchPolicy();
};

#endif
