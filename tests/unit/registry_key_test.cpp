// The registry key: its open and closed states with their warnings, creation,
// metrics, enumeration, the multi-value query, the registry views, and what
// every failed platform call writes.
#include "qvr_test_helpers.h"
#include "registry/qvr_registry_dword.h"
#include "registry/qvr_registry_key.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using qvrtest::countLines;
using qvrtest::narrow;
using qvrtest::S;
using qvrtest::Str;
using qvrtest::textOf;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const char* const kPath = "SOFTWARE\\Dravonne\\Test\\K";

// The names in list order, and the keys they were added with.
std::vector<std::string> namesOf(CQVRStringList& list, std::vector<uint32_t>* pKeys = nullptr)
{
    std::vector<std::string> names;
    for (bool bMore = list.moveFirst(); bMore; bMore = list.moveNext()) {
        CQVRWCharString* pName = nullptr;
        list.getCurrent(pName);
        names.push_back(narrow(textOf(*pName)));
    }
    if (pKeys != nullptr) {
        pKeys->clear();
        for (uint32_t k = 0; k < 64; ++k)
            if (list.findKey(k))
                pKeys->push_back(k);
    }
    return names;
}

#ifndef _WIN32
// The names in list order, each followed by a comma (the memory failure
// table, which runs on the substitute only).
std::string joinedNames(CQVRStringList& list)
{
    std::string text;
    for (const std::string& name : namesOf(list))
        text += name + ",";
    return text;
}
#endif

class RegistryKeyTest : public qvrtest::LoggedMachineTest {
protected:
    CQVRRegistryKey key(bool bCreate = false, const char* szPath = kPath, REGSAM access = KEY_ALL_ACCESS)
    {
        return CQVRRegistryKey(HKEY_LOCAL_MACHINE, S(szPath), access, bCreate, 0);
    }
    void makeKey(const char* szPath) { EXPECT_TRUE(key(true, szPath).create()); }
    void setDword(const char* szName, uint32_t ulValue, const char* szPath = kPath)
    {
        qvrtest::setDword(HKEY_LOCAL_MACHINE, W(szPath), W(szName), ulValue);
    }
};

TEST_F(RegistryKeyTest, OpeningAMissingKeyCreatesItOnlyWhenAsked)
{
    CQVRRegistryKey missing = key(false);
    EXPECT_FALSE(missing.open());
    EXPECT_FALSE(missing.m_bOpen);
    EXPECT_FALSE(missing.exists());
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());  // a missing key is no failure

    CQVRRegistryKey created = key(true);
    EXPECT_TRUE(created.open());
    EXPECT_TRUE(created.m_bOpen);
    EXPECT_NE(nullptr, static_cast<HKEY>(created.m_hKey));
    EXPECT_TRUE(created.close());
    EXPECT_EQ(nullptr, static_cast<HKEY>(created.m_hKey));
    EXPECT_TRUE(qvrtest::keyExists(HKEY_LOCAL_MACHINE, W(kPath)));
    EXPECT_TRUE(key(false).exists());
    EXPECT_EQ(0u, qvrtest::openHandles());
}

// Open twice, close twice, create on an open key: the warnings with their
// exact texts, and the states they leave.
TEST_F(RegistryKeyTest, OpenAndCloseStatesAndTheirWarnings)
{
    makeKey(kPath);
    CQVRRegistryKey k = key();
    ASSERT_TRUE(k.open());
    ASSERT_TRUE(k.open());
    EXPECT_TRUE(k.m_bOpen);
    EXPECT_EQ(1u, countLines(m_log, "<WARNING> "));
    EXPECT_EQ(1u, countLines(m_log, "<CQVRRegistryKey::open> \"Registry key is already open ( "
                                    "SOFTWARE\\Dravonne\\Test\\K )\" <qvr_registry_key.cpp, "));
    EXPECT_TRUE(k.close());
    EXPECT_FALSE(k.m_bOpen);
    EXPECT_TRUE(k.close());
    EXPECT_EQ(1u, countLines(m_log, "<CQVRRegistryKey::close> \"Registry key is already closed ( "
                                    "SOFTWARE\\Dravonne\\Test\\K )\" <qvr_registry_key.cpp, "));
    // create makes sure the key exists and leaves it closed, open or not.
    ASSERT_TRUE(k.open());
    EXPECT_TRUE(k.create());
    EXPECT_FALSE(k.m_bOpen);
    EXPECT_EQ(2u, qvrtest::readLogLines(m_log).size());
    EXPECT_EQ(0u, qvrtest::openHandles());
}

TEST_F(RegistryKeyTest, AssignmentAndAccessChangesCloseTheKey)
{
    makeKey(kPath);
    makeKey("SOFTWARE\\Dravonne\\Test\\Other");
    CQVRRegistryKey k = key();
    ASSERT_TRUE(k.open());
    k = key(false, "SOFTWARE\\Dravonne\\Test\\Other", KEY_READ);
    EXPECT_FALSE(k.m_bOpen);
    EXPECT_EQ("SOFTWARE\\Dravonne\\Test\\Other", narrow(textOf(k.m_strKeyPath)));
    EXPECT_EQ(static_cast<REGSAM>(KEY_READ), k.m_samAccess);
    ASSERT_TRUE(k.open());
    k.setAccess(KEY_ALL_ACCESS);
    EXPECT_FALSE(k.m_bOpen);
    EXPECT_EQ(static_cast<REGSAM>(KEY_ALL_ACCESS), k.m_samAccess);
    Str name;
    EXPECT_TRUE(k.getKeyName(name, false));
    EXPECT_EQ("Other", narrow(textOf(name)));
    EXPECT_TRUE(k.getKeyName(name, true));
    EXPECT_EQ("SOFTWARE\\Dravonne\\Test\\Other", narrow(textOf(name)));
    EXPECT_TRUE(CQVRRegistryKey(HKEY_LOCAL_MACHINE, S("SOFTWARE"), KEY_READ, false, 0).getKeyName(name, false));
    EXPECT_EQ("SOFTWARE", narrow(textOf(name)));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// A key whose close fails stays open; assigning another key or a new access
// mask must still leave it closed, or the next operation would use the old
// handle: the old key's values under the new key's name, or the old access.
TEST_F(RegistryKeyTest, AssignmentAndAccessChangesLeaveTheKeyClosedWhenItsCloseFails)
{
    struct Case {
        const char* szWhat;
        std::function<void(CQVRRegistryKey&)> change;
        const char* szValue;  // the one value the key then lists
    };
    const Case cases[] = {
        {"assignment", [&](CQVRRegistryKey& k) { k = key(false, "SOFTWARE\\Dravonne\\Test\\Other"); }, "w"},
        {"access", [](CQVRRegistryKey& k) { k.setAccess(KEY_READ); }, "v"},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        m_log = qvrtest::enableTextLog();
        setDword("v", 1);
        setDword("w", 2, "SOFTWARE\\Dravonne\\Test\\Other");
        {
            CQVRRegistryKey k = key();
            ASSERT_TRUE(k.open());
            if (!qvrtest::failNext("RegCloseKey", ERROR_INVALID_HANDLE))
                GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
            c.change(k);
            EXPECT_FALSE(k.m_bOpen) << c.szWhat;
            EXPECT_EQ(nullptr, static_cast<HKEY>(k.m_hKey)) << c.szWhat;
            CQVRStringList names;
            EXPECT_TRUE(k.enumValueNames(names)) << c.szWhat;
            EXPECT_EQ((std::vector<std::string>{c.szValue}), namesOf(names)) << c.szWhat;
        }
        EXPECT_EQ(1u, countLines(m_log, "\"Unable to close registry key ( SOFTWARE\\Dravonne\\Test\\K )\""))
            << c.szWhat;
        EXPECT_EQ(1u, qvrtest::readLogLines(m_log).size()) << c.szWhat;
        EXPECT_EQ(0u, qvrtest::openHandles()) << c.szWhat;
    }
}

TEST_F(RegistryKeyTest, MetricsCountCharactersAndBytes)
{
    makeKey("SOFTWARE\\Dravonne\\Test\\K\\ab");
    makeKey("SOFTWARE\\Dravonne\\Test\\K\\abcde");
    setDword("n", 1);
    qvrtest::setString(HKEY_LOCAL_MACHINE, W(kPath), W("longer"), W("0123456789"));  // 22 bytes
    CQVRRegistryKey k = key();
    DWORD ulLength = 0xdeadbeef;
    EXPECT_TRUE(k.getMaxSubKeyLength(ulLength));
    EXPECT_EQ(5u, ulLength);
    EXPECT_TRUE(k.getMaxValueNameLength(ulLength));
    EXPECT_EQ(6u, ulLength);
    EXPECT_TRUE(k.getMaxValueDataLength(ulLength));
    EXPECT_EQ(22u, ulLength);
    EXPECT_FALSE(k.m_bOpen);
    // A key that cannot be opened leaves the output alone.
    ulLength = 0xdeadbeef;
    EXPECT_FALSE(key(false, "SOFTWARE\\Dravonne\\Test\\Missing").getMaxSubKeyLength(ulLength));
    EXPECT_EQ(0xdeadbeefu, ulLength);
}

TEST_F(RegistryKeyTest, SubKeysAreListedByShortNameWithKeysFromOne)
{
    makeKey("SOFTWARE\\Dravonne\\Test\\K\\a");
    makeKey("SOFTWARE\\Dravonne\\Test\\K\\b\\deeper");
    makeKey("SOFTWARE\\Dravonne\\Test\\K\\c");
    CQVRRegistryKey k = key(false, kPath, KEY_READ);
    CQVRStringList names;
    names.add(S("stale"), 9);
    EXPECT_TRUE(k.enumSubKeys(names));
    std::vector<uint32_t> keys;
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), namesOf(names, &keys));
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3}), keys);
    EXPECT_TRUE(k.m_bOpen);  // left open

    CQVRRegistryKey sub = key();
    EXPECT_TRUE(k.getSubKey(sub, 1));
    EXPECT_EQ("SOFTWARE\\Dravonne\\Test\\K\\b", narrow(textOf(sub.m_strKeyPath)));
    EXPECT_EQ(static_cast<REGSAM>(KEY_READ), sub.m_samAccess);
    EXPECT_FALSE(sub.m_bCreateIfMissing);
    EXPECT_FALSE(k.getSubKey(sub, 3));  // the end: no entry

    // Below a root key the subkey's path is its name, which can be opened.
    qvrtest::setDword(HKEY_CURRENT_USER, W("QVRTestTop\\Inner"), W("v"), 1);
    CQVRRegistryKey root(HKEY_CURRENT_USER, Str(), KEY_READ, false, 0);
    bool bFound = false;
    for (DWORD ulIndex = 0; !bFound && root.getSubKey(sub, ulIndex); ++ulIndex)
        bFound = narrow(textOf(sub.m_strKeyPath)) == "QVRTestTop";
    EXPECT_TRUE(bFound);
    EXPECT_TRUE(sub.enumSubKeys(names));
    EXPECT_EQ((std::vector<std::string>{"Inner"}), namesOf(names));
    qvrtest::deleteKeyTree(HKEY_CURRENT_USER, W("QVRTestTop"));
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// Keys, subkeys, names, value lists and collections that ran out of memory
// on the way are failures, not part of the answer given as all of it: a key
// path copied short names another key (the parent, a sibling, the root).
TEST_F(RegistryKeyTest, UnderMemoryFailuresAnAnswerIsWholeOrFailed)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    makeKey("SOFTWARE\\Dravonne\\Test\\K\\child");
    const Str path = S(kPath), other = S("other");
    setDword("d", 7);
    qvrtest::setString(HKEY_LOCAL_MACHINE, W(kPath), W("s"), W("text"));
    qvrtest::setBinary(HKEY_LOCAL_MACHINE, W(kPath), W("b"), {1, 2, 3});
    const uint8_t multi[] = {'x', 0, 0, 0, 'y', 0, 'y', 0, 0, 0, 0, 0};
    qvrtest::setValueBytes(HKEY_LOCAL_MACHINE, W(kPath), W("m"), REG_MULTI_SZ, multi, sizeof(multi));
    CQVRRegistryKey k = key(false, kPath, KEY_READ);
    // Each answer as text, or "failed"; a constructor that fails throws.
    const std::function<std::string()> answers[] = {
        [&] { return narrow(textOf(CQVRRegistryKey(HKEY_LOCAL_MACHINE, path, KEY_READ, false, 0).m_strKeyPath)); },
        [&] { return narrow(textOf(CQVRRegistryKey(k).m_strKeyPath)); },
        [&] {
            CQVRRegistryKey sub(HKEY_LOCAL_MACHINE, other, KEY_READ, false, 0);
            return k.getSubKey(sub, 0) ? narrow(textOf(sub.m_strKeyPath)) : "failed";
        },
        [&] {
            Str name;
            return k.getKeyName(name, false) ? narrow(textOf(name)) : "failed";
        },
        [&] {
            CQVRStringList names;
            return k.enumValueNames(names) ? joinedNames(names) : "failed";
        },
        [&] {
            CQVRValentList values;
            if (!k.queryMultipleValues(values))
                return std::string("failed");
            std::string text;
            for (bool bMore = values.moveFirst(); bMore; bMore = values.moveNext()) {
                CQVRRegistryValent* p = nullptr;
                values.getCurrent(p);
                text += narrow(textOf(p->m_strName)) + ":" + std::to_string(p->m_Data.getSize()) + " ";
            }
            return text;
        },
        [&] {
            CQVRStringValueList pairs;
            CQVRRegistryStringValue* p = nullptr;
            return k.getStringValues(pairs) && pairs.moveFirst() && pairs.getCurrent(p)
                       ? narrow(textOf(p->m_strName)) + "=" + narrow(textOf(p->m_strValue))
                       : "failed";
        },
        [&] {
            CQVRDwordValueList pairs;
            CQVRRegistryDwordValue* p = nullptr;
            return k.getDwordValues(pairs) && pairs.moveFirst() && pairs.getCurrent(p)
                       ? narrow(textOf(p->m_strName)) + "=" + std::to_string(p->m_ulValue)
                       : "failed";
        },
        [&] {
            CQVRMultiStringValueList pairs;
            CQVRRegistryMultiStringValue* p = nullptr;
            return k.getMultiStringValues(pairs) && pairs.moveFirst() && pairs.getCurrent(p)
                       ? narrow(textOf(p->m_strName)) + "=" + joinedNames(p->m_lstValue)
                       : "failed";
        },
        [&] {
            CQVRBinaryValueList pairs;
            CQVRRegistryBinaryValue* p = nullptr;
            return k.getBinaryValues(pairs) && pairs.moveFirst() && pairs.getCurrent(p)
                       ? narrow(textOf(p->m_strName)) + "=" + std::to_string(p->m_Data.getSize())
                       : "failed";
        },
    };
    for (const auto& answer : answers)
        qvrtest::expectWholeOrFailed([] {}, answer);
#endif
}

TEST_F(RegistryKeyTest, ValueNamesLeaveOutTheUnnamedValue)
{
    makeKey(kPath);
    CQVRStringList names;
    EXPECT_FALSE(key().enumValueNames(names));  // no values at all
    EXPECT_EQ(0u, names.getCount());
    qvrtest::setString(HKEY_LOCAL_MACHINE, W(kPath), wstr(), W("default"));
    EXPECT_FALSE(key().enumValueNames(names));  // only the unnamed one
    setDword("first", 1);
    setDword("second", 2);
    CQVRRegistryKey k = key();
    EXPECT_TRUE(k.enumValueNames(names));
    std::vector<uint32_t> keys;
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), namesOf(names, &keys));
    EXPECT_EQ((std::vector<uint32_t>{0}), keys);
    EXPECT_FALSE(k.m_bOpen);
}

TEST_F(RegistryKeyTest, MultipleValuesCarryNameTypeAndBytes)
{
    // Named in the order they are made, which is also the order of their
    // names (Wine lists values by name, Windows as they were made).
    setDword("a", 0x01020304);
    qvrtest::setString(HKEY_LOCAL_MACHINE, W(kPath), W("b"), W("xy"));
    qvrtest::setBinary(HKEY_LOCAL_MACHINE, W(kPath), W("c"), {9, 8, 7});
    CQVRValentList values;
    ASSERT_TRUE(key().queryMultipleValues(values));
    ASSERT_EQ(3u, values.getCount());
    struct Expected {
        const char* szName;
        DWORD ulType;
        std::vector<unsigned char> bytes;
    };
    const Expected expected[] = {
        {"a", REG_DWORD, {4, 3, 2, 1}}, {"b", REG_SZ, {'x', 0, 'y', 0, 0, 0}}, {"c", REG_BINARY, {9, 8, 7}}};
    for (uint32_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(values.findKey(i));
        CQVRRegistryValent* pValent = nullptr;
        values.getCurrent(pValent);
        EXPECT_EQ(expected[i].szName, narrow(textOf(pValent->m_strName)));
        EXPECT_EQ(expected[i].ulType, pValent->m_ulType);
        EXPECT_EQ(expected[i].bytes, qvrtest::bytesOf(pValent->m_Data));
    }
    CQVRValentList copy = values;
    EXPECT_TRUE(copy == values);
    EXPECT_EQ(0u, qvrtest::openHandles());
}

// A value written through one view is not seen through the other, and the
// default view on 64-bit Windows is the 32-bit one: a 64-bit build asks for
// it, a 32-bit program has it anyway.
TEST_F(RegistryKeyTest, ViewsAreKeptApart)
{
    const REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    for (REGSAM view : kViews) {
        CQVRRegistryDword value(HKEY_LOCAL_MACHINE, S(kPath), S("View"), KEY_ALL_ACCESS | view, true, 0);
        EXPECT_TRUE(value.setValue(view, false));
    }
    for (REGSAM view : kViews) {
        CQVRRegistryDword value(HKEY_LOCAL_MACHINE, S(kPath), S("View"), KEY_READ | view, false, 0);
        uint32_t ulValue = 0;
        EXPECT_TRUE(value.getValue(ulValue, false));
        EXPECT_EQ(view, ulValue);
    }
    CQVRRegistryDword byDefault(HKEY_LOCAL_MACHINE, S(kPath), S("View"), KEY_READ, false, 0);
    uint32_t ulValue = 0;
    EXPECT_TRUE(byDefault.getValue(ulValue, false));
    EXPECT_EQ(static_cast<uint32_t>(KEY_WOW64_32KEY), ulValue);
}

TEST_F(RegistryKeyTest, ExportNeedsAFileName)
{
    CQVRRegistryKey k = key(true);
    EXPECT_FALSE(k.exportKey(Str(), 8, true));
    EXPECT_EQ(1u, qvrtest::badArgLines(m_log, "szExportFileName", "filename must be non-null"));
    EXPECT_FALSE(k.importKey(Str(), 16));
    EXPECT_EQ(1u, qvrtest::badArgLines(m_log, "szImportFileName", "filename must be non-null"));
    // A hive of a key that cannot be opened.
    EXPECT_FALSE(key(false, "SOFTWARE\\Dravonne\\Test\\Missing")
                     .exportKey(W((narrow(qvrtest::testFolder()) + "missing.hiv").c_str()).c_str(), 0, true));
    EXPECT_EQ(0u, qvrtest::openHandles());
}

// Each failed platform call: the entry it writes, the result, and no handle
// left open.
TEST_F(RegistryKeyTest, FailedPlatformCallsWriteTheirEntries)
{
    struct Case {
        const char* szFunction;
        DWORD ulError;
        std::function<bool(CQVRRegistryKey&)> run;
        bool bResult;
        const char* szLine;  // the log line's part after the application
    };
    CQVRStringList names;
    CQVRValentList values;
    DWORD ulLength = 0;
    const Case cases[] = {
        {"RegCreateKeyExW", 5, [](CQVRRegistryKey& k) { return k.create(); }, false,
         "<CQVRRegistryKey::create> \"Unable to create registry key ( \"SOFTWARE\\Dravonne\\Test\\K\" )\" "
         "<qvr_registry_key.cpp, "},
        {"RegEnumKeyExW", 5, [&](CQVRRegistryKey& k) { return k.enumSubKeys(names); }, true,
         "<CQVRRegistrykey::enumSubKeys> \"Unable to enumerate subkeys from key ( \"SOFTWARE\\Dravonne\\Test\\K\" )\" "
         "<Error: 0x00000005> <qvr_registry_key.cpp, "},
        {"RegEnumValueW", 5, [&](CQVRRegistryKey& k) { return k.enumValueNames(names); }, false,
         "<CQVRRegistrykey::enumValueNames> \"Unable to enumerate values from key ( \"SOFTWARE\\Dravonne\\Test\\K\" "
         ")\" <Error: 0x00000005> <qvr_registry_key.cpp, "},
        {"RegQueryInfoKeyW", 6, [&](CQVRRegistryKey& k) { return k.getMaxValueDataLength(ulLength); }, false,
         "\"Unable to query info on registry key ( \"SOFTWARE\\Dravonne\\Test\\K\" )\" <qvr_registry_key.cpp, "},
        {"RegQueryMultipleValuesW", 8, [&](CQVRRegistryKey& k) { return k.queryMultipleValues(values); }, false,
         "\"Unable to query multiple values from registry key ( \"SOFTWARE\\Dravonne\\Test\\K\" )\" "
         "<qvr_registry_key.cpp, "},
        {"RegCloseKey", 6,
         [](CQVRRegistryKey& k) {
             k.open();
             const bool bClosed = k.close();
             EXPECT_TRUE(k.m_bOpen);  // a key that failed to close stays open
             return bClosed;
         },
         false,
         "<CQVRRegistryKey::close> \"Unable to close registry key ( SOFTWARE\\Dravonne\\Test\\K )\" <Error: "
         "0x00000006> <qvr_registry_key.cpp, "},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        m_log = qvrtest::enableTextLog();
        makeKey("SOFTWARE\\Dravonne\\Test\\K\\sub");
        setDword("v", 1);
        if (!qvrtest::failNext(c.szFunction, c.ulError))
            GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
        {
            CQVRRegistryKey k = key();
            EXPECT_EQ(c.bResult, c.run(k)) << c.szFunction;
        }
        EXPECT_EQ(1u, qvrtest::readLogLines(m_log).size()) << c.szFunction;
        EXPECT_EQ(1u, countLines(m_log, c.szLine)) << c.szFunction;
        EXPECT_EQ(0u, qvrtest::openHandles()) << c.szFunction;
    }
}

}  // namespace
