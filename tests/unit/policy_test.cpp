// Policy locations and search orders, policy settings at one location, and
// the product and common policies that find a setting's effective value.
#include "product/qvr_common_policy.h"
#include "product/qvr_policy_ad_search_policy.h"
#include "product/qvr_policy_olvaine_search_policy.h"
#include "qvr_test_helpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::countLines;
using qvrtest::narrow;
using qvrtest::S;
using qvrtest::Str;
using qvrtest::textOf;
using qvrtest::W;
using qvrtest::wstr;

namespace {

typedef CQVRPolicySearchPolicy SP;

std::vector<uint32_t> orderOf(CQVRPolicySearchPolicy& order)
{
    std::vector<uint32_t> locations;
    for (uint32_t i = 0; i < order.getCount(); ++i)
        locations.push_back(order.getPolicyLocation(i));
    return locations;
}

CQVRPolicyDwordSetting dwordSetting(const char* szSubKey, uint32_t ulID = 1, DWORD ulDefault = 0)
{
    return CQVRPolicyDwordSetting(S("Dravonne"), S("QVR Common"), ulID, psRegistry, S("1.0"), S("SVTInstall"),
                                  S(szSubKey), ulDefault, false);
}

const char* const kMachinePolicy = "Software\\Policies\\Dravonne\\QVR Common\\Sentravault Solution";
const char* const kMachineProduct = "Software\\Dravonne\\QVR Common\\Sentravault Solution";

class PolicyTest : public qvrtest::LoggedMachineTest {
protected:
    void TearDown() override
    {
        // The user hive is not reset with the machine under Wine.
        qvrtest::deleteKeyTree(HKEY_CURRENT_USER, W("Software\\Policies\\Dravonne"));
        qvrtest::deleteKeyTree(HKEY_CURRENT_USER, W("Software\\Dravonne"));
        qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W("Software\\Policies\\Dravonne"));
        LoggedMachineTest::TearDown();
    }
};

TEST_F(PolicyTest, SearchOrders)
{
    CQVRPolicyADSearchPolicy ad;
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 4, 8, 16, 32}), orderOf(ad));
    CQVRPolicyOlvaineSearchPolicy olvaine;
    EXPECT_EQ((std::vector<uint32_t>{8, 16, 32}), orderOf(olvaine));
    CQVRPolicySearchPolicy own;
    EXPECT_TRUE(own.addPolicy(SP::plMachinePolicyUserDefaults));
    EXPECT_TRUE(own.addPolicy(SP::plMachinePolicyUserDefaults));
    EXPECT_EQ((std::vector<uint32_t>{4, 4}), orderOf(own));
    CQVRPolicySearchPolicy copy = ad;
    EXPECT_EQ(orderOf(ad), orderOf(copy));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());

    // Past the end: an index error, answered with the machine policy.
    EXPECT_EQ(SP::plMachinePolicy, ad.getPolicyLocation(6));
    EXPECT_EQ(SP::plMachinePolicy, CQVRPolicySearchPolicy().getPolicyLocation(0));
    EXPECT_EQ(2u, countLines(m_log, "\"Index out of array bounds\""));
}

// A location's row: its highest bit within the six, row 0 otherwise.
TEST_F(PolicyTest, LocationsMapToHiveAndTemplate)
{
    struct Case {
        uint32_t ulLocation;
        HKEY hHive;
        const char* szTemplate;
    };
    const Case cases[] = {
        {1, HKEY_LOCAL_MACHINE, "Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%"},
        {2, HKEY_CURRENT_USER, "Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%"},
        {4, HKEY_LOCAL_MACHINE, "Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%\\User Defaults"},
        {8, HKEY_LOCAL_MACHINE, "Software\\%VENDOR_NAME%\\%PRODUCT_NAME%"},
        {16, HKEY_CURRENT_USER, "Software\\%VENDOR_NAME%\\%PRODUCT_NAME%"},
        {32, HKEY_LOCAL_MACHINE, "Software\\%VENDOR_NAME%\\%PRODUCT_NAME%\\User Defaults"},
        {6, HKEY_LOCAL_MACHINE, "Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%\\User Defaults"},
        {64, HKEY_LOCAL_MACHINE, "Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%"},
        {0, HKEY_LOCAL_MACHINE, "Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.hHive, CQVRPolicySearchPolicy::getHive(c.ulLocation)) << c.ulLocation;
        EXPECT_EQ(c.szTemplate, narrow(CQVRPolicySearchPolicy::getKeyTemplate(c.ulLocation))) << c.ulLocation;
    }
}

// The key path of a setting: template, subkey, one substitution.
TEST_F(PolicyTest, KeyPathsAndValueNames)
{
    struct Case {
        const char* szSubKey;
        const char* szSubstitution;
        const char* szPath;
    };
    const Case cases[] = {
        {"Sentravault Solution", "", kMachinePolicy},
        {"", "", "Software\\Policies\\Dravonne\\QVR Common"},
        {"\\Sub", "", "Software\\Policies\\Dravonne\\QVR Common\\Sub"},
        {"Sub", "QVR Common=Other", "Software\\Policies\\Dravonne\\Other\\Sub"},
        {"", "QVR Common=Other", "Software\\Policies\\Dravonne\\QVR Common"},
        {"Sub", "%VALUE_NAME%=X", "Software\\Policies\\Dravonne\\QVR Common\\Sub"},
        {"Sub", "no equals", "Software\\Policies\\Dravonne\\QVR Common\\Sub"},
    };
    for (const Case& c : cases) {
        CQVRPolicyDwordSetting setting = dwordSetting(c.szSubKey);
        EXPECT_EQ(c.szPath, narrow(textOf(setting.getValueLocation(SP::plMachinePolicy, S(c.szSubstitution)))))
            << c.szSubKey << " / " << c.szSubstitution;
    }
    CQVRPolicyDwordSetting setting = dwordSetting("Sub");
    CQVRStringList substitutions;
    substitutions.add(S("A=B"));
    EXPECT_EQ("SVTInstall", narrow(textOf(setting.getValueLocation(substitutions))));
    substitutions.add(S("%VALUE_NAME%=Custom"));
    EXPECT_EQ("Custom", narrow(textOf(setting.getValueLocation(substitutions))));
    CQVRStringList emptyName;
    emptyName.add(S("%VALUE_NAME%="));
    EXPECT_EQ("SVTInstall", narrow(textOf(setting.getValueLocation(emptyName))));

    // A source other than the registry has no location.
    setting.m_ulSource = 2;
    EXPECT_EQ(0u, setting.getValueLocation(SP::plMachinePolicy, Str()).getLength());
    DWORD ulValue = 9;
    EXPECT_FALSE(setting.getPolicy(SP::plMachinePolicy, ulValue, false, Str()));
    EXPECT_EQ(2u, countLines(m_log, "\"Policy source is not supported.\""));
}

TEST_F(PolicyTest, SettingsCompareByDefinitionAndOrderByID)
{
    CQVRPolicyDwordSetting a = dwordSetting("Sub", 3);
    CQVRPolicyDwordSetting b = dwordSetting("Sub", 3);
    b.m_bCached = true;
    b.m_Value = 42;
    EXPECT_TRUE(a == b);
    CQVRPolicyDwordSetting c = dwordSetting("Sub", 0xFFFFFFF0u);
    EXPECT_TRUE(a != c);
    EXPECT_TRUE(a < c);  // unsigned
    EXPECT_TRUE(c > a);
    // A copy holds the source's value with its cached flag.
    CQVRPolicyDwordSetting copy;
    copy = b;
    EXPECT_TRUE(copy.m_bCached);
    EXPECT_EQ(42u, copy.m_Value);
    EXPECT_TRUE(copy == b);
}

// A location that cannot be added leaves the others of a preset in order.
TEST_F(PolicyTest, APresetAddsEveryLocationItCan)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    const std::vector<uint32_t> ad = {1, 2, 4, 8, 16, 32};
    const std::vector<uint32_t> olvaine = {8, 16, 32};
    const struct {
        const char* szName;
        std::function<std::vector<uint32_t>()> build;
        const std::vector<uint32_t>& full;
    } cases[] = {
        {"AD",
         [] {
             CQVRPolicyADSearchPolicy order;
             return orderOf(order);
         },
         ad},
        {"Olvaine",
         [] {
             CQVRPolicyOlvaineSearchPolicy order;
             return orderOf(order);
         },
         olvaine},
    };
    for (const auto& c : cases) {
        qvrsim::resetAllocations();
        EXPECT_EQ(c.full, c.build()) << c.szName;
        const size_t ulAllocations = qvrsim::allocationsMade();
        for (size_t n = 1; n <= ulAllocations; ++n) {
            qvrsim::resetAllocations();
            qvrsim::failAllocation(n);
            const std::vector<uint32_t> order = c.build();
            // At most the one location whose node was refused is missing.
            bool bInOrder = order.size() + 1 >= c.full.size();
            for (size_t i = 0, j = 0; bInOrder && i < order.size(); ++i, ++j) {
                while (j < c.full.size() && c.full[j] != order[i])
                    ++j;
                bInOrder = j < c.full.size();
            }
            EXPECT_TRUE(bInOrder) << c.szName << " allocation " << n << ": " << order.size() << " locations";
        }
    }
#endif
}

// Reads at one location; the cache answers after one good read.
TEST_F(PolicyTest, ASettingReadsAndWritesOneLocation)
{
    CQVRPolicyDwordSetting setting = dwordSetting("Sentravault Solution");
    DWORD ulValue = 7;
    EXPECT_FALSE(setting.getPolicy(SP::plMachinePolicy, ulValue, false, Str()));
    EXPECT_EQ(7u, ulValue);
    EXPECT_TRUE(setting.setPolicy(SP::plMachinePolicy, 5, true, Str(), false));
    EXPECT_TRUE(setting.m_bCached);
    CQVRPolicyDwordSetting reader = dwordSetting("Sentravault Solution");
    EXPECT_TRUE(reader.getPolicy(SP::plMachinePolicy, ulValue, false, Str()));
    EXPECT_EQ(5u, ulValue);
    qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W("Software\\Policies\\Dravonne"));
    EXPECT_TRUE(reader.getPolicy(SP::plMachinePolicy, ulValue, true, Str()));  // from the cache
    EXPECT_EQ(5u, ulValue);
    EXPECT_FALSE(reader.getPolicy(SP::plMachinePolicy, ulValue, false, Str()));

    // A string written a second time through the 32-bit view, which is the
    // view it was written to in the first place (the installer's view).
    CQVRPolicyStringSetting admin(S("Dravonne"), S("QVR Common"), 3, psRegistry, S("1.0"), S("AdminUser"),
                                  S("Sentravault Solution"), Str(), false, true);
    EXPECT_TRUE(admin.setPolicy(SP::plMachine, S("root"), true, Str(), false));
    DWORD ulType = 0;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ERROR_SUCCESS, qvrtest::readValue(HKEY_LOCAL_MACHINE, W(kMachineProduct), W("AdminUser"), ulType, bytes,
                                                KEY_WOW64_32KEY));
    Str text;
    EXPECT_TRUE(admin.getPolicy(SP::plMachine, text, false, Str()));
    EXPECT_EQ("root", narrow(textOf(text)));
    qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W("Software\\Dravonne\\QVR Common"));
}

// The effective value: the first location that holds it, the machine before
// the user, the default when none does.
TEST_F(PolicyTest, TheFirstLocationThatHoldsTheValueWins)
{
    CQVRCommonPolicy policy;
    DWORD ulValue = 9;
    EXPECT_TRUE(policy.getPolicy(CQVRCommonPolicy::csSVTInstall, ulValue, false, Str()));
    EXPECT_EQ(0u, ulValue);
    ulValue = 9;
    EXPECT_FALSE(policy.getPolicy(CQVRCommonPolicy::csSVTInstall, ulValue, true, Str()));
    EXPECT_EQ(9u, ulValue);
    EXPECT_TRUE(policy.getPolicy(CQVRCommonPolicy::csFPSwipeResult, ulValue, false, Str()));
    EXPECT_EQ(1u, ulValue);  // its default

    qvrtest::setDword(HKEY_LOCAL_MACHINE, W(kMachineProduct), W("SVTInstall"), 4);
    EXPECT_TRUE(policy.getPolicy(CQVRCommonPolicy::csSVTInstall, ulValue, true, Str()));
    EXPECT_EQ(4u, ulValue);
    qvrtest::setDword(HKEY_CURRENT_USER, W(kMachinePolicy), W("SVTInstall"), 2);
    EXPECT_TRUE(policy.getPolicy(CQVRCommonPolicy::csSVTInstall, ulValue, true, Str()));
    EXPECT_EQ(2u, ulValue);
    qvrtest::setDword(HKEY_LOCAL_MACHINE, W(kMachinePolicy), W("SVTInstall"), 1);
    EXPECT_TRUE(policy.getPolicy(CQVRCommonPolicy::csSVTInstall, ulValue, true, Str()));
    EXPECT_EQ(1u, ulValue);
    // A setting without subkey sits right at the location's key.
    qvrtest::setDword(HKEY_LOCAL_MACHINE, W("Software\\Policies\\Dravonne\\QVR Common"), W("SystemType"), 3);
    EXPECT_TRUE(policy.getPolicy(CQVRCommonPolicy::csSystemType, ulValue, true, Str()));
    EXPECT_EQ(3u, ulValue);
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());

    for (uint32_t ulID : {12u, 40u}) {
        ulValue = 9;
        EXPECT_FALSE(policy.getPolicy(ulID, ulValue, false, Str()));
        EXPECT_EQ(9u, ulValue);
    }
    EXPECT_EQ(1u, countLines(m_log, "\"Could not find policy setting with ID ( 12 )\""));
    EXPECT_EQ(1u, countLines(m_log, "\"Could not find policy setting with ID ( 40 )\""));
}

// Every setting class and search order traces under its own class name; an
// operation that answers no boolean stores a pass even on its failure path.
TEST_F(PolicyTest, TracesNameTheirClassAndPassWithoutABooleanResult)
{
    const wstr log = qvrtest::enableTextLog(0x0FFF);
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    {
        CQVRPolicyDwordSetting dword = dwordSetting("Sub");
        CQVRPolicyDwordSetting dwordCopy(dword);
        dwordCopy = dword;
        CQVRPolicyStringSetting text(S("Dravonne"), S("QVR Common"), 3, psRegistry, S("1.0"), S("AdminUser"), S("Sub"),
                                     Str(), false, true);
        CQVRPolicyStringSetting textCopy(text);
        textCopy = text;
        CQVRPolicyADSearchPolicy ad;
        CQVRPolicySearchPolicy order(ad);
        order.getPolicyLocation(6);
        dword.m_ulSource = 2;
        dword.getValueLocation(SP::plMachinePolicy, Str());
    }
    const struct {
        const char* szMethod;
        size_t ulCalls;
    } cases[] = {
        {"<CQVRPolicyDwordSetting::CQVRPolicyDwordSetting> ", 2},
        {"<CQVRPolicyDwordSetting::operator=> ", 1},
        {"<CQVRPolicyDwordSetting::~CQVRPolicyDwordSetting> ", 2},
        {"<CQVRPolicyStringSetting::CQVRPolicyStringSetting> ", 2},
        {"<CQVRPolicyStringSetting::operator=> ", 1},
        {"<CQVRPolicyStringSetting::~CQVRPolicyStringSetting> ", 2},
        {"<CQVRPolicySearchPolicy::CQVRPolicySearchPolicy> ", 2},  // the preset's base, the copy
        {"<CQVRPolicySearchPolicy::getPolicyLocation> ", 1},       // past the end
        {"<CQVRPolicySetting::getValueLocation> ", 1},             // source not supported
    };
    for (const auto& c : cases) {
        const std::vector<wstr> lines = qvrtest::linesWith(log, c.szMethod);
        size_t ulEntries = 0;
        size_t ulPassed = 0;
        for (const wstr& line : lines) {
            const std::string text = narrow(line);
            ulEntries += text.find("<ENTRY> ") != std::string::npos;
            ulPassed += text.find("<EXIT> ") != std::string::npos && text.find("<Passed> ") != std::string::npos;
        }
        EXPECT_EQ(c.ulCalls, ulEntries) << c.szMethod;
        EXPECT_EQ(c.ulCalls, ulPassed) << c.szMethod;
    }
    DeleteFileW(log.c_str());
    {
        CQVRCommonPolicy policy;
    }
    EXPECT_EQ(2u, countLines(log, "<CQVRCommonPolicy::CQVRCommonPolicy> "));
    EXPECT_EQ(2u, countLines(log, "<CQVRCommonPolicy::~CQVRCommonPolicy> "));
}

// The common policy's table, in the order its rows are added.
TEST_F(PolicyTest, TheCommonPolicyHoldsItsTable)
{
    CQVRCommonPolicy policy;
    struct Row {
        uint32_t ulID;
        const char* szValueName;
        const char* szSubKey;
        DWORD ulDefault;
        bool bWrite32BitView;
    };
    const Row rows[] = {
        {7, "PDALogonGUIOption", "Salvora", 0, false},
        {6, "WindowsPasswordRecoveryGUIOption", "Salvora", 0, false},
        {10, "PasswordRecoveryEnabled", "Salvora", 0, true},
        {0, "UsingEmulator", "Sentravault Solution", 0, false},
        {1, "SVTInstall", "Sentravault Solution", 0, false},
        {4, "PreferInternalFPSensor", "Sentravault Solution", 0, false},
        {5, "FPSwipeResult", "Sentravault Solution", 1, false},
        {2, "SVT6SVTInstall", "Sentravault Solution", 0, false},
        {8, "SystemType", "", 0, false},
        {11, "WizardGUIOption", "", 0, false},
        {9, "DisableHotfixMessage", "Sentravault Solution", 0, false},
    };
    ASSERT_EQ(11u, policy.m_lstDwordSettings.getCount());
    bool bMore = policy.m_lstDwordSettings.moveFirst();
    for (const Row& row : rows) {
        ASSERT_TRUE(bMore);
        CQVRPolicyDwordSetting* pSetting = nullptr;
        policy.m_lstDwordSettings.getCurrent(pSetting);
        EXPECT_EQ(row.ulID, pSetting->m_ulID);
        EXPECT_EQ(row.szValueName, narrow(textOf(pSetting->m_strValueName)));
        EXPECT_EQ(row.szSubKey, narrow(textOf(pSetting->m_strSubKey)));
        EXPECT_EQ(row.ulDefault, pSetting->m_Default);
        EXPECT_EQ(row.bWrite32BitView, pSetting->m_bWrite32BitView);
        EXPECT_EQ("Dravonne", narrow(textOf(pSetting->m_strVendorName)));
        EXPECT_EQ("QVR Common", narrow(textOf(pSetting->m_strProductName)));
        EXPECT_EQ("1.0", narrow(textOf(pSetting->m_strVersion)));
        EXPECT_EQ(static_cast<uint32_t>(ptDword), pSetting->m_ulType);
        bMore = policy.m_lstDwordSettings.moveNext();
    }
    ASSERT_EQ(1u, policy.m_lstStringSettings.getCount());
    policy.m_lstStringSettings.moveFirst();
    CQVRPolicyStringSetting* pAdmin = nullptr;
    policy.m_lstStringSettings.getCurrent(pAdmin);
    EXPECT_EQ(3u, pAdmin->m_ulID);
    EXPECT_EQ("AdminUser", narrow(textOf(pAdmin->m_strValueName)));
    EXPECT_FALSE(pAdmin->m_bExpand);
    EXPECT_TRUE(pAdmin->m_bWrite32BitView);
    EXPECT_EQ(0u, pAdmin->m_Default.getLength());
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 4, 8, 16, 32}), orderOf(policy));
}

}  // namespace
