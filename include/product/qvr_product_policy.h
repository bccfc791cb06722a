// A product's policy settings by ID, with the search order that decides
// where a setting's effective value comes from: the first location that
// holds it, else the setting's default.
#ifndef QVR_PRODUCT_POLICY_H
#define QVR_PRODUCT_POLICY_H

#include "core/qvr_dbllist.h"
#include "core/qvr_obj_node.h"
#include "product/qvr_policy_dword_setting.h"
#include "product/qvr_policy_search_policy.h"
#include "product/qvr_policy_string_setting.h"

class CQVRProductPolicy : public CQVRPolicySearchPolicy {
public:
    explicit CQVRProductPolicy(const CQVRPolicySearchPolicy& searchOrder);
    ~CQVRProductPolicy();

    // A copy, keyed by its ID, at the end of its list; no duplicate check (a
    // later setting of the same ID is never found).
    bool addPolicySetting(const CQVRPolicyDwordSetting& setting);
    bool addPolicySetting(const CQVRPolicyStringSetting& setting);
    // The dword setting of that ID; an unknown ID is written as a warning.
    bool getPolicySetting(uint32_t ulID, CQVRPolicyDwordSetting& setting);
    // The effective dword value: the first location of the search order that
    // holds it, else (unless bNoDefault) the default. value is untouched when
    // the result is false.
    bool getPolicy(uint32_t ulID, DWORD& value, bool bNoDefault, const CQVRWCharString& substitution);

    CQVRDblList<CQVRObjNode<CQVRPolicyDwordSetting>> m_lstDwordSettings;
    CQVRDblList<CQVRObjNode<CQVRPolicyStringSetting>> m_lstStringSettings;
};

#endif
