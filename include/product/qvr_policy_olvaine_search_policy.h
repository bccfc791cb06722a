// The search order that never looks at the policy tree: the product's machine
// key, user key and machine user defaults.
#ifndef QVR_POLICY_OLVAINE_SEARCH_POLICY_H
#define QVR_POLICY_OLVAINE_SEARCH_POLICY_H

#include "product/qvr_policy_search_policy.h"

class CQVRPolicyOlvaineSearchPolicy : public CQVRPolicySearchPolicy {
public:
    CQVRPolicyOlvaineSearchPolicy();
    ~CQVRPolicyOlvaineSearchPolicy();
};

#endif
