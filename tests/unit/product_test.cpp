// Product descriptors: version rules, registry lookups over the product's
// locations, and the probe of the installed product with its policy test.
#include "product/qvr_product_svt.h"
#include "qvr_test_helpers.h"

#include <gtest/gtest.h>

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

const char* const kCurrentKey = "Software\\Dravonne\\Sentravault Solution";
const char* const kLegacyKey = "Software\\Orvik Astervane\\Sentravault Software";
const char* const kPolicyKey = "Software\\Policies\\Dravonne\\QVR Common\\Sentravault Solution";

// A product with locations of the test's choosing.
class TestProduct : public CQVRProduct {
public:
    TestProduct() : CQVRProduct(S("Dravonne"), S("Test")) {}
    bool isInstalled(LONG, LONG, LONG, LONG) override { return false; }
    bool getProductVersion(LONG&, LONG&, LONG&, LONG&) override { return false; }
    bool getProductVersion(CQVRWCharString&) override { return false; }
    void addLocation(const char* szKey)
    {
        m_RegistryInfo.add(new CQVRProductRegistryInfo(S(szKey), S("Version"), S("InstallPath")));
    }
};

class ProductTest : public qvrtest::LoggedMachineTest {
protected:
    void TearDown() override
    {
        qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W("Software\\Orvik Astervane"));
        qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W("Software\\Policies\\Dravonne"));
        LoggedMachineTest::TearDown();
    }
    void registerAt(const char* szKey, const char* szVersion, const char* szInstallPath)
    {
        if (szVersion != nullptr)
            qvrtest::setString(HKEY_LOCAL_MACHINE, W(szKey), W("Version"), W(szVersion));
        if (szInstallPath != nullptr)
            qvrtest::setString(HKEY_LOCAL_MACHINE, W(szKey), W("InstallPath"), W(szInstallPath));
    }
};

TEST_F(ProductTest, RequestedVersionsUseTheWildcardOnlyAtTheEnd)
{
    struct Case {
        LONG lVersions[4];
        bool bValid;
    };
    const Case cases[] = {
        {{-1, -1, -1, -1}, true}, {{8, -1, -1, -1}, true}, {{8, 20, 23, 1}, true},
        {{8, -1, 3, -1}, false},  {{-1, 0, 0, 0}, false},
    };
    TestProduct product;
    for (const Case& c : cases)
        EXPECT_EQ(c.bValid, product.checkParms(c.lVersions)) << c.lVersions[0] << "." << c.lVersions[1];
    EXPECT_EQ(1u, qvrtest::badArgLines(m_log, "lVersions[2]", "Cannot be real value, QVR_DONT_CAREs prior"));
    EXPECT_EQ(1u, qvrtest::badArgLines(m_log, "lVersions[1]", "Cannot be real value, QVR_DONT_CAREs prior"));
    EXPECT_FALSE(product.checkParms(nullptr));
    EXPECT_EQ(1u, qvrtest::badArgLines(m_log, "lVersions", "Cannot have NULL value"));
}

TEST_F(ProductTest, InstalledIsAtLeastTheRequestedVersion)
{
    struct Case {
        LONG lRequested[4];
        LONG lInstalled[4];
        bool bInstalled;
    };
    const Case cases[] = {
        {{8, 20, -1, -1}, {8, 20, 23, 0}, true}, {{8, 20, -1, -1}, {8, 19, 99, 99}, false},
        {{8, 20, -1, -1}, {9, 0, 0, 0}, true},   {{8, 20, 23, 0}, {8, 20, 23, 0}, true},
        {{8, 20, 23, 1}, {8, 20, 23, 0}, false}, {{-1, -1, -1, -1}, {0, 0, 0, 0}, true},
    };
    TestProduct product;
    for (const Case& c : cases)
        EXPECT_EQ(c.bInstalled, product.isVersionInstalled(c.lRequested, c.lInstalled))
            << c.lInstalled[0] << "." << c.lInstalled[1] << "." << c.lInstalled[2];
}

TEST_F(ProductTest, VersionTextsSplitIntoFourNumbers)
{
    struct Case {
        const char* szText;
        LONG lExpected[4];
    };
    const Case cases[] = {
        {"8.20.23", {8, 20, 23, 77}}, {"8.x.23.1", {8, 77, 23, 1}}, {"8.21.6.0", {8, 21, 6, 0}},
        {"", {77, 77, 77, 77}},       {"10", {10, 77, 77, 77}},     {"1.2.3.4.5", {1, 2, 3, 4}},
    };
    TestProduct product;
    for (const Case& c : cases) {
        LONG l[4] = {77, 77, 77, 77};
        EXPECT_TRUE(product.convertVersion(S(c.szText), l[0], l[1], l[2], l[3])) << c.szText;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(c.lExpected[i], l[i]) << c.szText << " field " << i;
    }
}

TEST_F(ProductTest, RegistryItemsComeFromTheFirstLocationThatHasThem)
{
    TestProduct product;
    product.addLocation("Software\\Dravonne\\Test\\First");
    product.addLocation("Software\\Dravonne\\Test\\Second");
    Str item = S("untouched");
    EXPECT_FALSE(product.getRegistryItem(CQVRProduct::riLocation, item));
    EXPECT_EQ("untouched", narrow(textOf(item)));
    registerAt("Software\\Dravonne\\Test\\Second", "2.0", "C:\\Second\\");
    EXPECT_TRUE(product.getRegistryItem(CQVRProduct::riLocation, item));
    EXPECT_EQ("Software\\Dravonne\\Test\\Second", narrow(textOf(item)));
    registerAt("Software\\Dravonne\\Test\\First", "1.0", nullptr);
    EXPECT_TRUE(product.getRegistryItem(CQVRProduct::riVersion, item));
    EXPECT_EQ("1.0", narrow(textOf(item)));
    EXPECT_TRUE(product.getRegistryItem(CQVRProduct::riInstallDirectory, item));
    EXPECT_EQ("C:\\Second\\", narrow(textOf(item)));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// The probe on machines with the current key, the legacy key, both, neither.
TEST_F(ProductTest, TheProbeFindsTheProductUnderEitherKey)
{
    struct Case {
        const char* szName;
        const char* szCurrentVersion;
        const char* szCurrentPath;
        const char* szLegacyVersion;
        const char* szLegacyPath;
        bool bInstalled;
        const char* szVersion;
        const char* szDirectory;
        const char* szLocation;
    };
    const Case cases[] = {
        {"neither", nullptr, nullptr, nullptr, nullptr, false, "", "", ""},
        {"current", "6.1.0", "C:\\Current\\", nullptr, nullptr, true, "6.1.0", "C:\\Current\\", kCurrentKey},
        {"legacy", nullptr, nullptr, "6.2.1", "C:\\Legacy\\", true, "6.2.1", "C:\\Legacy\\", kLegacyKey},
        {"both", "6.1.0", "C:\\Current\\", "6.2.1", "C:\\Legacy\\", true, "6.1.0", "C:\\Current\\", kCurrentKey},
        // Each value from the first key that has it.
        {"mixed", "6.1.0", nullptr, "6.2.1", "C:\\Legacy\\", true, "6.1.0", "C:\\Legacy\\", kLegacyKey},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W("Software\\Orvik Astervane"));
        registerAt(kCurrentKey, c.szCurrentVersion, c.szCurrentPath);
        registerAt(kLegacyKey, c.szLegacyVersion, c.szLegacyPath);
        CQVRProduct_SVT product;
        EXPECT_EQ(c.bInstalled, product.isInstalled(QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE))
            << c.szName;
        Str version, directory, location;
        EXPECT_EQ(c.bInstalled, product.getProductVersion(version)) << c.szName;
        EXPECT_EQ(c.bInstalled, product.getInstallDirectory(directory)) << c.szName;
        EXPECT_EQ(c.bInstalled, product.getRegistryLocation(location)) << c.szName;
        EXPECT_EQ(c.szVersion, narrow(textOf(version))) << c.szName;
        EXPECT_EQ(c.szDirectory, narrow(textOf(directory))) << c.szName;
        EXPECT_EQ(c.szLocation, narrow(textOf(location))) << c.szName;
        LONG l[4] = {0, 0, 0, 0};
        EXPECT_EQ(c.bInstalled, product.getProductVersion(l[0], l[1], l[2], l[3])) << c.szName;
    }
}

// From major version 7 on, the common policy's "SVTInstall" must be 1.
TEST_F(ProductTest, NewerReleasesNeedThePolicy)
{
    struct Case {
        const char* szVersion;
        int iPolicy;  // -1: no policy value
        bool bInstalled;
    };
    const Case cases[] = {
        {"8.20.23", -1, false}, {"8.20.23", 1, true}, {"8.20.23", 0, false},
        {"8.21.6", 2, false},   {"7.0.0", 1, true},   {"6.1.0", 0, true},  // below 7 the policy is not asked
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        qvrtest::deleteKeyTree(HKEY_LOCAL_MACHINE, W("Software\\Policies\\Dravonne"));
        registerAt(kCurrentKey, c.szVersion, "C:\\Program Files\\Sentravault\\");
        if (c.iPolicy >= 0)
            qvrtest::setDword(HKEY_LOCAL_MACHINE, W(kPolicyKey), W("SVTInstall"), static_cast<uint32_t>(c.iPolicy));
        EXPECT_EQ(c.bInstalled,
                  CQVRProduct_SVT().isInstalled(QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE))
            << c.szVersion << " policy " << c.iPolicy;
    }
    // At least a version, without the policy.
    EXPECT_TRUE(CQVRProduct_SVT().isCoreInstalled(6, 1, QVR_DONT_CARE, QVR_DONT_CARE));
    EXPECT_FALSE(CQVRProduct_SVT().isCoreInstalled(6, 2, QVR_DONT_CARE, QVR_DONT_CARE));
}

TEST_F(ProductTest, AWildcardFollowedByANumberIsRefusedTwice)
{
    registerAt(kCurrentKey, "6.1.0", "C:\\Current\\");
    EXPECT_FALSE(CQVRProduct_SVT().isInstalled(8, QVR_DONT_CARE, 2, QVR_DONT_CARE));
    EXPECT_EQ(1u, qvrtest::badArgLines(m_log, "lVersions[2]", "Cannot be real value, QVR_DONT_CAREs prior"));
    EXPECT_EQ(
        1u, qvrtest::badArgLines(m_log, "lMinorVer, lBuildVer, or lPatchVer", "Cannot have value after QVR_DONT_CARE"));
    EXPECT_EQ(2u, qvrtest::readLogLines(m_log).size());
}

// Memory running out on the way: an item is found whole or not at all, never
// an empty or cut key path or directory that passes for the real one.
TEST_F(ProductTest, RegistryItemsAreWholeOrNotFound)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    registerAt(kCurrentKey, "8.20.23", "C:\\Current\\");
    const struct {
        uint32_t ulKind;
        const char* szItem;
    } cases[] = {
        {CQVRProduct::riLocation, kCurrentKey},
        {CQVRProduct::riVersion, "8.20.23"},
        {CQVRProduct::riInstallDirectory, "C:\\Current\\"},
    };
    CQVRProduct_SVT product;
    for (const auto& c : cases) {
        Str item;
        qvrsim::resetAllocations();
        ASSERT_TRUE(product.getRegistryItem(c.ulKind, item)) << c.szItem;
        const size_t ulAllocations = qvrsim::allocationsMade();
        for (size_t n = 1; n <= ulAllocations; ++n) {
            Str out = S("untouched");
            qvrsim::resetAllocations();
            qvrsim::failAllocation(n);
            if (!product.getRegistryItem(c.ulKind, out))
                continue;
            EXPECT_EQ(c.szItem, narrow(textOf(out))) << "allocation " << n;
        }
    }
#endif
}

// Memory running out while the version is read: it is read whole or not at
// all, so a major version 8 never passes for 0 and skips the policy.
TEST_F(ProductTest, AVersionIsReadWholeOrNotAtAll)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    registerAt(kCurrentKey, "8.20.23.4", "C:\\Current\\");
    CQVRProduct_SVT product;
    const Str text = S("8.20.23.4");
    qvrsim::resetAllocations();
    ASSERT_FALSE(product.isInstalled(QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE));
    const size_t ulAllocations = qvrsim::allocationsMade();
    for (size_t n = 1; n <= ulAllocations; ++n) {
        qvrsim::resetAllocations();
        qvrsim::failAllocation(n);
        EXPECT_FALSE(product.isInstalled(QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE, QVR_DONT_CARE))
            << "allocation " << n;
        LONG l[4] = {0, 0, 0, 0};
        qvrsim::resetAllocations();
        qvrsim::failAllocation(n);
        if (!product.convertVersion(text, l[0], l[1], l[2], l[3]))
            continue;
        EXPECT_EQ((std::vector<LONG>{8, 20, 23, 4}), std::vector<LONG>(l, l + 4)) << "allocation " << n;
    }
#endif
}

}  // namespace
