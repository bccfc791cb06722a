// The common policy and its table of settings.
#include "product/qvr_common_policy.h"

#include "product/qvr_policy_ad_search_policy.h"
#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRCommonPolicy"), QVR_T("qvr_common_policy.cpp"),
                                        QVRErrorSource::LastError};

namespace {

const WCHAR* const kVendor = QVR_T("Dravonne");
const WCHAR* const kProduct = QVR_T("QVR Common");
const WCHAR* const kVersion = QVR_T("1.0");
const WCHAR* const kSalvora = QVR_T("Salvora");
const WCHAR* const kSentravault = QVR_T("Sentravault Solution");
// The tables end at this ID.
const uint32_t kEndOfTable = 12;

struct DwordRow {
    uint32_t ulID;
    const WCHAR* szValueName;
    const WCHAR* szSubKey;
    DWORD ulDefault;
    bool bWrite32BitView;
};

// In the order they are added.
const DwordRow kDwordRows[] = {
    {7, QVR_T("PDALogonGUIOption"), kSalvora, 0, false},
    {6, QVR_T("WindowsPasswordRecoveryGUIOption"), kSalvora, 0, false},
    {10, QVR_T("PasswordRecoveryEnabled"), kSalvora, 0, true},
    {0, QVR_T("UsingEmulator"), kSentravault, 0, false},
    {1, QVR_T("SVTInstall"), kSentravault, 0, false},
    {4, QVR_T("PreferInternalFPSensor"), kSentravault, 0, false},
    {5, QVR_T("FPSwipeResult"), kSentravault, 1, false},
    {2, QVR_T("SVT6SVTInstall"), kSentravault, 0, false},
    {8, QVR_T("SystemType"), nullptr, 0, false},
    {11, QVR_T("WizardGUIOption"), nullptr, 0, false},
    {9, QVR_T("DisableHotfixMessage"), kSentravault, 0, false},
    {kEndOfTable, nullptr, nullptr, 0, false},
};

struct StringRow {
    uint32_t ulID;
    const WCHAR* szValueName;
    const WCHAR* szSubKey;
    const WCHAR* szDefault;
    bool bExpand;
    bool bWrite32BitView;
};

const StringRow kStringRows[] = {
    {3, QVR_T("AdminUser"), kSentravault, nullptr, false, true},
    {kEndOfTable, nullptr, nullptr, nullptr, false, false},
};

}  // namespace

CQVRCommonPolicy::CQVRCommonPolicy() : CQVRProductPolicy(CQVRPolicyADSearchPolicy())
{
    qvrTraced(kThisFile, QVR_T("CQVRCommonPolicy"), __LINE__, rkPassFail, [&] {
        bool bAdded = true;
        // The first row is always taken; the next row's ID says whether to go on.
        for (const DwordRow* pRow = kDwordRows;; ++pRow) {
            bAdded = addPolicySetting(CQVRPolicyDwordSetting(kVendor, kProduct, pRow->ulID, psRegistry, kVersion,
                                                             pRow->szValueName, pRow->szSubKey, pRow->ulDefault,
                                                             pRow->bWrite32BitView)) &&
                     bAdded;
            if (pRow[1].ulID == kEndOfTable)
                break;
        }
        for (const StringRow* pRow = kStringRows;; ++pRow) {
            bAdded = addPolicySetting(CQVRPolicyStringSetting(kVendor, kProduct, pRow->ulID, psRegistry, kVersion,
                                                              pRow->szValueName, pRow->szSubKey, pRow->szDefault,
                                                              pRow->bExpand, pRow->bWrite32BitView)) &&
                     bAdded;
            if (pRow[1].ulID == kEndOfTable)
                break;
        }
        return bAdded;
    });
}

CQVRCommonPolicy::~CQVRCommonPolicy() { qvrTracedPass(kThisFile, QVR_T("~CQVRCommonPolicy"), __LINE__); }
