// The typed registry values: what each writes byte for byte, what it reads,
// the create flag, the cache, the expandable-text rule, the key-wide
// collections, and the entry a failed write leaves.
#include "qvr_test_helpers.h"
#include "registry/qvr_registry_binary.h"
#include "registry/qvr_registry_dword.h"
#include "registry/qvr_registry_multi_string.h"
#include "registry/qvr_registry_string.h"
#include "registry/qvr_registry_string_expand.h"

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

const char* const kPath = "SOFTWARE\\Dravonne\\Test\\V";

typedef std::vector<uint8_t> Bytes;

Bytes utf16(const char* szText, bool bTerminator = true)
{
    Bytes bytes;
    for (WCHAR ch : W(szText)) {
        bytes.push_back(static_cast<uint8_t>(ch & 0xFF));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(ch) >> 8));
    }
    if (bTerminator)
        bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

CQVRStringList listOf(std::initializer_list<const char*> texts)
{
    CQVRStringList list;
    uint32_t ulKey = 0;
    for (const char* szText : texts)
        list.add(S(szText), ulKey++);
    return list;
}

std::vector<std::string> textsOf(CQVRStringList& list)
{
    std::vector<std::string> texts;
    for (bool bMore = list.moveFirst(); bMore; bMore = list.moveNext()) {
        CQVRWCharString* pText = nullptr;
        list.getCurrent(pText);
        texts.push_back(narrow(textOf(*pText)));
    }
    return texts;
}

class RegistryValueTest : public qvrtest::LoggedMachineTest {
protected:
    // The value as the platform holds it: type and bytes.
    DWORD stored(const char* szName, Bytes& bytes)
    {
        DWORD ulType = REG_NONE;
        if (qvrtest::readValue(HKEY_LOCAL_MACHINE, W(kPath), W(szName), ulType, bytes) != ERROR_SUCCESS)
            return 0xFFFFFFFF;
        return ulType;
    }
    template <class Value> Value value(const char* szName, bool bCreate = true)
    {
        return Value(HKEY_LOCAL_MACHINE, S(kPath), S(szName), KEY_ALL_ACCESS, bCreate, 0);
    }
};

// Every type writes its registry type and exactly these bytes.
TEST_F(RegistryValueTest, EachTypeWritesItsBytes)
{
    CQVRBuffer<unsigned char> data(3);
    data[0] = 1;
    data[1] = 2;
    data[2] = 3;
    struct Case {
        const char* szName;
        std::function<bool()> write;
        DWORD ulType;
        Bytes bytes;
    };
    const Case cases[] = {
        {"s", [&] { return value<CQVRRegistryString>("s").setValue(S("ab"), false); }, REG_SZ, utf16("ab")},
        {"e", [&] { return value<CQVRRegistryStringExpand>("e").setValue(S("%A%\\x"), false); }, REG_EXPAND_SZ,
         utf16("%A%\\x")},
        {"d", [&] { return value<CQVRRegistryDword>("d").setValue(0x0A0B0C0D, false); }, REG_DWORD, {13, 12, 11, 10}},
        {"m",
         [&] {
             return value<CQVRRegistryMultiString>("m").setValue(listOf({"a", "b"}), false);
         },
         REG_MULTI_SZ,
         {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
        {"m0",
         [&] { return value<CQVRRegistryMultiString>("m0").setValue(CQVRStringList(), false); },
         REG_MULTI_SZ,
         {}},
        {"b", [&] { return value<CQVRRegistryBinary>("b").setValue(data, false); }, REG_BINARY, {1, 2, 3}},
        {"", [&] { return value<CQVRRegistryString>("").setValue(S("default"), false); }, REG_SZ, utf16("default")},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.write()) << c.szName;
        Bytes bytes;
        EXPECT_EQ(c.ulType, stored(c.szName, bytes)) << c.szName;
        EXPECT_EQ(c.bytes, bytes) << c.szName;
    }
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
    EXPECT_EQ(0u, qvrtest::openHandles());
}

TEST_F(RegistryValueTest, ReadsGiveBackWhatWasWritten)
{
    ASSERT_TRUE(value<CQVRRegistryMultiString>("m").setValue(listOf({"a", "b"}), false));
    ASSERT_TRUE(value<CQVRRegistryMultiString>("m0").setValue(CQVRStringList(), false));
    ASSERT_TRUE(value<CQVRRegistryDword>("d").setValue(77, false));
    // A larger value elsewhere in the key sets the multi-string read buffer.
    qvrtest::setBinary(HKEY_LOCAL_MACHINE, W(kPath), W("big"), Bytes(40, 0x41));

    CQVRRegistryMultiString multi = value<CQVRRegistryMultiString>("m", false);
    ASSERT_TRUE(multi.readRegistry());
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), textsOf(multi.m_lstValue));
    EXPECT_TRUE(multi.m_bCached);
    CQVRRegistryMultiString empty = value<CQVRRegistryMultiString>("m0", false);
    ASSERT_TRUE(empty.readRegistry());
    EXPECT_EQ(0u, empty.m_lstValue.getCount());

    CQVRRegistryBinary binary = value<CQVRRegistryBinary>("big", false);
    ASSERT_TRUE(binary.readRegistry());
    EXPECT_EQ(Bytes(40, 0x41), qvrtest::bytesOf(binary.m_Data));

    // A string reads up to 259 characters; a longer one cannot be read.
    qvrtest::setString(HKEY_LOCAL_MACHINE, W(kPath), W("s259"), W(std::string(259, 'x').c_str()));
    qvrtest::setString(HKEY_LOCAL_MACHINE, W(kPath), W("s300"), W(std::string(300, 'y').c_str()));
    Str text;
    EXPECT_TRUE(value<CQVRRegistryString>("s259", false).getValue(text, false));
    EXPECT_EQ(259u, text.getLength());
    CQVRRegistryString tooLong = value<CQVRRegistryString>("s300", false);
    EXPECT_FALSE(tooLong.getValue(text, false));
    EXPECT_EQ(259u, text.getLength());  // untouched
    // Missing values without the create flag.
    uint32_t ulValue = 5;
    EXPECT_FALSE(value<CQVRRegistryDword>("none", false).getValue(ulValue, false));
    EXPECT_EQ(5u, ulValue);
    EXPECT_TRUE(qvrtest::readLogLines(m_log).empty());
}

// With the create flag, a missing value is written empty and reads as such.
TEST_F(RegistryValueTest, AMissingValueIsCreatedEmpty)
{
    struct Case {
        const char* szName;
        std::function<bool()> read;
        DWORD ulType;
    };
    uint32_t ulValue = 9;
    Str text = S("old");
    const Case cases[] = {
        {"d", [&] { return value<CQVRRegistryDword>("d").getValue(ulValue, false); }, REG_DWORD},
        {"s", [&] { return value<CQVRRegistryString>("s").getValue(text, false); }, REG_SZ},
        {"m", [&] { return value<CQVRRegistryMultiString>("m").readRegistry(); }, REG_MULTI_SZ},
        {"b", [&] { return value<CQVRRegistryBinary>("b").readRegistry(); }, REG_BINARY},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.read()) << c.szName;
        Bytes bytes;
        EXPECT_EQ(c.ulType, stored(c.szName, bytes)) << c.szName;
    }
    EXPECT_EQ(0u, ulValue);
    EXPECT_EQ(0u, text.getLength());
    Bytes bytes;
    stored("d", bytes);
    EXPECT_EQ((Bytes{0, 0, 0, 0}), bytes);
}

// A cached dword is not read again; a string always is.
TEST_F(RegistryValueTest, OnlyDwordsMultiStringsAndBinariesReadIntoTheCache)
{
    CQVRRegistryDword number = value<CQVRRegistryDword>("d");
    CQVRRegistryString text = value<CQVRRegistryString>("s");
    ASSERT_TRUE(number.setValue(1, false));
    ASSERT_TRUE(text.setValue(S("one"), false));
    CQVRRegistryDword numberReader = value<CQVRRegistryDword>("d", false);
    CQVRRegistryString textReader = value<CQVRRegistryString>("s", false);
    uint32_t ulValue = 0;
    Str read;
    ASSERT_TRUE(numberReader.getValue(ulValue, true));
    ASSERT_TRUE(textReader.getValue(read, true));
    EXPECT_TRUE(numberReader.m_bCached);
    EXPECT_FALSE(textReader.m_bCached);

    ASSERT_TRUE(number.setValue(2, false));
    ASSERT_TRUE(text.setValue(S("two"), false));
    EXPECT_TRUE(numberReader.getValue(ulValue, true));
    EXPECT_EQ(1u, ulValue);  // from the cache
    EXPECT_TRUE(textReader.getValue(read, true));
    EXPECT_EQ("two", narrow(textOf(read)));  // from the registry
    EXPECT_TRUE(numberReader.getValue(ulValue, false));
    EXPECT_EQ(2u, ulValue);
}

TEST_F(RegistryValueTest, DeferredWritesLeaveTheRegistryAlone)
{
    CQVRBuffer<unsigned char> data(1);
    EXPECT_TRUE(value<CQVRRegistryString>("s").setValue(S("x"), true));
    EXPECT_TRUE(value<CQVRRegistryStringExpand>("e").setValue(S("no percent"), true));
    EXPECT_TRUE(value<CQVRRegistryDword>("d").setValue(1, true));
    EXPECT_TRUE(value<CQVRRegistryMultiString>("m").setValue(listOf({"a"}), true));
    EXPECT_TRUE(value<CQVRRegistryBinary>("b").setValue(data, true));
    EXPECT_FALSE(qvrtest::keyExists(HKEY_LOCAL_MACHINE, W(kPath)));
}

// Only a text with an even, non-zero number of "%" is written as expandable.
TEST_F(RegistryValueTest, ExpandableTextNeedsPairedPercentSigns)
{
    const char* const kRefused[] = {"%one", "%a%b%", "none"};
    for (const char* szText : kRefused) {
        EXPECT_FALSE(value<CQVRRegistryStringExpand>("e").setValue(S(szText), false)) << szText;
        EXPECT_FALSE(qvrtest::keyExists(HKEY_LOCAL_MACHINE, W(kPath))) << szText;
    }
    EXPECT_EQ(3u, qvrtest::badArgLines(m_log, "m_szRegStringCache",
                                       "value doesn't represent an expandable value which is required"));
    EXPECT_TRUE(value<CQVRRegistryStringExpand>("e").setValue(S("%SystemRoot%\\x"), false));

    // Expansion from the environment, and the stored text without it.
    ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRTESTDIR"), QVR_T("C:\\qvr")));
    ASSERT_TRUE(value<CQVRRegistryStringExpand>("e").setValue(S("%QVRTESTDIR%\\x %QVRNOTSET%"), false));
    Str text;
    CQVRRegistryStringExpand expand = value<CQVRRegistryStringExpand>("e", false);
    EXPECT_TRUE(expand.getValue(text, false, true));
    EXPECT_EQ("C:\\qvr\\x %QVRNOTSET%", narrow(textOf(text)));
    EXPECT_TRUE(expand.getValue(text, false, false));
    EXPECT_EQ("%QVRTESTDIR%\\x %QVRNOTSET%", narrow(textOf(text)));
    SetEnvironmentVariableW(QVR_T("QVRTESTDIR"), nullptr);
}

// The failed write names the value, with the class each type records and
// the source file of that type's write.
TEST_F(RegistryValueTest, AFailedWriteNamesKeyAndValue)
{
    struct Case {
        const char* szClass;
        const char* szFile;
        std::function<bool()> write;
    };
    CQVRBuffer<unsigned char> data(1);
    const Case cases[] = {
        {"CQVRRegistryValue", "qvr_registry_string.cpp",
         [&] { return value<CQVRRegistryString>("Name").setValue(S("x"), false); }},
        {"CQVRRegistryStringExpand", "qvr_registry_string_expand.cpp",
         [&] { return value<CQVRRegistryStringExpand>("Name").setValue(S("%x%"), false); }},
        {"CQVRRegistryDword", "qvr_registry_dword.cpp",
         [&] { return value<CQVRRegistryDword>("Name").setValue(1, false); }},
        {"CQVRRegistryMultiString", "qvr_registry_multi_string.cpp",
         [&] { return value<CQVRRegistryMultiString>("Name").setValue(listOf({"a"}), false); }},
        {"CQVRRegistryBinary", "qvr_registry_binary.cpp",
         [&] { return value<CQVRRegistryBinary>("Name").setValue(data, false); }},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        m_log = qvrtest::enableTextLog();
        if (!qvrtest::failNext("RegSetValueExW", ERROR_ACCESS_DENIED))
            GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
        EXPECT_FALSE(c.write()) << c.szClass;
        const std::string line = std::string("<") + c.szClass +
                                 "::writeRegistry> \"Unable to Set registry value ( "
                                 "\"SOFTWARE\\Dravonne\\Test\\V\\Name\" )\" <" +
                                 c.szFile + ", ";
        EXPECT_EQ(1u, countLines(m_log, line.c_str())) << c.szClass;
        EXPECT_EQ(1u, qvrtest::readLogLines(m_log).size()) << c.szClass;
        EXPECT_EQ(0u, qvrtest::openHandles()) << c.szClass;
    }
}

// The key-wide collections take the values of their type only, keyed by
// their count among those taken.
TEST_F(RegistryValueTest, CollectionsTakeOneTypeEach)
{
    // Made in the order of their names, which both platforms list the same.
    qvrtest::setDword(HKEY_LOCAL_MACHINE, W(kPath), W("a"), 7);
    qvrtest::setString(HKEY_LOCAL_MACHINE, W(kPath), W("b"), W("text"));
    qvrtest::setBinary(HKEY_LOCAL_MACHINE, W(kPath), W("c"), {1, 2, 3});
    qvrtest::setDword(HKEY_LOCAL_MACHINE, W(kPath), W("d"), 8);
    ASSERT_TRUE(value<CQVRRegistryMultiString>("e").setValue(listOf({"x", "y"}), false));
    ASSERT_TRUE(value<CQVRRegistryStringExpand>("f").setValue(S("%QVRTESTDIR%"), false));
    const Bytes shortDword = {5, 0};
    qvrtest::setValueBytes(HKEY_LOCAL_MACHINE, W(kPath), W("g"), REG_DWORD, shortDword.data(), shortDword.size());
    CQVRRegistryKey key(HKEY_LOCAL_MACHINE, S(kPath), KEY_READ, false, 0);

    CQVRDwordValueList dwords;
    ASSERT_TRUE(key.getDwordValues(dwords));
    ASSERT_EQ(3u, dwords.getCount());
    const uint32_t kDwords[] = {7, 8, 0};  // the two-byte one reads as 0
    const char* const kDwordNames[] = {"a", "d", "g"};
    for (uint32_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(dwords.findKey(i));
        CQVRRegistryDwordValue* pPair = nullptr;
        dwords.getCurrent(pPair);
        EXPECT_EQ(kDwordNames[i], narrow(textOf(pPair->m_strName)));
        EXPECT_EQ(kDwords[i], pPair->m_ulValue);
    }
    EXPECT_EQ(1u, qvrtest::badArgLines(m_log, "buffer", "buffer + offset will overrun this buffer"));

    CQVRStringValueList strings;
    ASSERT_TRUE(key.getStringValues(strings));
    ASSERT_EQ(1u, strings.getCount());
    CQVRRegistryStringValue* pString = nullptr;
    strings.findKey(0);
    strings.getCurrent(pString);
    EXPECT_EQ("text", narrow(textOf(pString->m_strValue)));

    ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRTESTDIR"), QVR_T("C:\\qvr")));
    for (bool bExpand : {false, true}) {
        ASSERT_TRUE(key.getExpandStringValues(strings, bExpand));
        ASSERT_EQ(1u, strings.getCount());
        strings.findKey(0);
        strings.getCurrent(pString);
        EXPECT_EQ(bExpand ? "C:\\qvr" : "%QVRTESTDIR%", narrow(textOf(pString->m_strValue)));
    }
    SetEnvironmentVariableW(QVR_T("QVRTESTDIR"), nullptr);

    CQVRMultiStringValueList multis;
    ASSERT_TRUE(key.getMultiStringValues(multis));
    ASSERT_EQ(1u, multis.getCount());
    CQVRRegistryMultiStringValue* pMulti = nullptr;
    multis.findKey(0);
    multis.getCurrent(pMulti);
    EXPECT_EQ((std::vector<std::string>{"x", "y"}), textsOf(pMulti->m_lstValue));

    CQVRBinaryValueList binaries;
    ASSERT_TRUE(key.getBinaryValues(binaries));
    ASSERT_EQ(1u, binaries.getCount());
    CQVRRegistryBinaryValue* pBinary = nullptr;
    binaries.findKey(0);
    binaries.getCurrent(pBinary);
    EXPECT_EQ((Bytes{1, 2, 3}), qvrtest::bytesOf(pBinary->m_Data));

    // A key of dwords only has no strings, which is no failure; a key without
    // values fails.
    CQVRRegistryKey dwordsOnly(HKEY_LOCAL_MACHINE, S("SOFTWARE\\Dravonne\\Test\\D"), KEY_READ, false, 0);
    qvrtest::setDword(HKEY_LOCAL_MACHINE, W("SOFTWARE\\Dravonne\\Test\\D"), W("n"), 1);
    EXPECT_TRUE(dwordsOnly.getStringValues(strings));
    EXPECT_EQ(0u, strings.getCount());
    CQVRRegistryKey(HKEY_LOCAL_MACHINE, S("SOFTWARE\\Dravonne\\Test\\E"), KEY_ALL_ACCESS, true, 0).create();
    EXPECT_FALSE(CQVRRegistryKey(HKEY_LOCAL_MACHINE, S("SOFTWARE\\Dravonne\\Test\\E"), KEY_READ, false, 0)
                     .getStringValues(strings));
}

// The expansion of a collected text reads the same value again, so it reads
// it in the view the key names.
TEST_F(RegistryValueTest, ExpandedCollectionsStayInTheKeysView)
{
    ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRTEST64"), QVR_T("sixty-four")));
    ASSERT_TRUE(SetEnvironmentVariableW(QVR_T("QVRTEST32"), QVR_T("thirty-two")));
    struct Case {
        REGSAM view;
        const char* szStored;
        const char* szExpanded;
    };
    const Case cases[] = {{KEY_WOW64_64KEY, "%QVRTEST64%", "sixty-four"},
                          {KEY_WOW64_32KEY, "%QVRTEST32%", "thirty-two"}};
    for (const Case& c : cases)
        ASSERT_TRUE(CQVRRegistryStringExpand(HKEY_LOCAL_MACHINE, S(kPath), S("e"), KEY_ALL_ACCESS | c.view, true, 0)
                        .setValue(S(c.szStored), false));
    for (const Case& c : cases) {
        CQVRStringValueList strings;
        CQVRRegistryStringValue* pString = nullptr;
        ASSERT_TRUE(CQVRRegistryKey(HKEY_LOCAL_MACHINE, S(kPath), KEY_READ | c.view, false, 0)
                        .getExpandStringValues(strings, true));
        ASSERT_TRUE(strings.findKey(0) && strings.getCurrent(pString));
        EXPECT_EQ(c.szExpanded, narrow(textOf(pString->m_strValue))) << c.view;
    }
    SetEnvironmentVariableW(QVR_T("QVRTEST64"), nullptr);
    SetEnvironmentVariableW(QVR_T("QVRTEST32"), nullptr);
}

// A binary read whose size query fails reads into no room at all: a value
// with bytes then cannot be read, rather than reading as that many zeros.
TEST_F(RegistryValueTest, ABinaryReadWithoutItsSizeReadsNoMadeUpBytes)
{
    struct Case {
        Bytes stored;
        bool bResult;
    };
    const Case cases[] = {{{1, 2, 3}, false}, {{}, true}};
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        m_log = qvrtest::enableTextLog();
        qvrtest::setBinary(HKEY_LOCAL_MACHINE, W(kPath), W("b"), c.stored);
        CQVRRegistryBinary binary = value<CQVRRegistryBinary>("b", false);
        if (!qvrtest::failNext("RegQueryValueExW", ERROR_ACCESS_DENIED))
            GTEST_SKIP() << "platform calls can only be made to fail on the substitute";
        EXPECT_EQ(c.bResult, binary.readRegistry()) << c.stored.size();
        EXPECT_EQ(c.bResult, binary.m_bCached) << c.stored.size();
        EXPECT_EQ(Bytes(), qvrtest::bytesOf(binary.m_Data)) << c.stored.size();
        EXPECT_EQ(0u, qvrtest::openHandles());
    }
}

// Running out of memory anywhere in a read or a write gives the whole answer
// or a failure: never part of a value as all of it, never data written short,
// never the key's unnamed value for one whose name could not be copied.
TEST_F(RegistryValueTest, UnderMemoryFailuresAnAnswerIsWholeOrFailed)
{
#ifdef _WIN32
    GTEST_SKIP() << "allocations can only be made to fail on the substitute";
#else
    const Str path = S(kPath), s = S("s"), b = S("b"), m = S("m"), name = S("Name"), text = S("new text");
    CQVRBuffer<unsigned char> data(2);
    data[0] = 9;
    const CQVRStringList list = listOf({"x", "yy"});
    const auto prepare = [&] {
        qvrtest::setString(HKEY_LOCAL_MACHINE, W(kPath), W("s"), W("old"));
        qvrtest::setBinary(HKEY_LOCAL_MACHINE, W(kPath), W("b"), {1});
        qvrtest::setString(HKEY_LOCAL_MACHINE, W(kPath), wstr(), W("unnamed"));
        ASSERT_TRUE(
            CQVRRegistryMultiString(HKEY_LOCAL_MACHINE, path, m, KEY_ALL_ACCESS, true, 0).setValue(list, false));
    };
    // What the registry holds: a write that failed must have left it as it was.
    const auto held = [&](const char* szName, bool bWritten, const Bytes& before) {
        Bytes bytes;
        stored(szName, bytes);
        return bWritten ? std::string(bytes.begin(), bytes.end()) : bytes == before ? "failed" : "changed";
    };
    const std::function<std::string()> answers[] = {
        [&] {
            Str read;
            return CQVRRegistryString(HKEY_LOCAL_MACHINE, path, s, KEY_READ, false, 0).getValue(read, false)
                       ? narrow(textOf(read))
                       : "failed";
        },
        [&] {
            CQVRRegistryBinary binary(HKEY_LOCAL_MACHINE, path, b, KEY_READ, false, 0);
            return binary.readRegistry() ? std::to_string(binary.m_Data.getSize()) : "failed";
        },
        [&] {
            CQVRRegistryMultiString multi(HKEY_LOCAL_MACHINE, path, m, KEY_READ, false, 0);
            std::string texts;
            const bool bRead = multi.readRegistry();
            for (const std::string& t : textsOf(multi.m_lstValue))
                texts += t + ",";
            return bRead ? texts : "failed";
        },
        [&] {
            return held("s",
                        CQVRRegistryString(HKEY_LOCAL_MACHINE, path, s, KEY_ALL_ACCESS, false, 0).setValue(text, false),
                        utf16("old"));
        },
        [&] {
            return held("b",
                        CQVRRegistryBinary(HKEY_LOCAL_MACHINE, path, b, KEY_ALL_ACCESS, false, 0).setValue(data, false),
                        {1});
        },
        // "Name" does not exist: reading it fails, writing it leaves the
        // unnamed value alone.
        [&] {
            CQVRRegistryString value(HKEY_LOCAL_MACHINE, path, name, KEY_ALL_ACCESS, false, 0);
            Str read;
            const bool bRead = value.getValue(read, false);
            value.setValue(text, false);
            return (bRead ? "read " : "") + held("", true, {});
        },
    };
    for (const auto& answer : answers)
        qvrtest::expectWholeOrFailed(prepare, answer);
#endif
}

// Multi-string data split as it lies: each zero ends a string, a second zero
// ends the list, and data without a zero holds none.
TEST_F(RegistryValueTest, MultiStringDataIsSplitAtItsZeros)
{
    struct Case {
        Bytes data;
        std::vector<std::string> strings;
    };
    const Case cases[] = {
        {{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, {"a", "b"}},
        {{'a', 0, 0, 0, 0, 0, 'b', 0, 0, 0}, {"a"}},
        {{'a', 0, 'b', 0}, {}},
        {{'a', 0, 0, 0, 'b', 0}, {"a"}},
        {{}, {}},
        {{'a', 0, 0}, {"a"}},  // an odd last byte is one more unit
    };
    for (const Case& c : cases) {
        const CQVRBuffer<unsigned char> data(c.data.data(), static_cast<uint32_t>(c.data.size()), 0);
        CQVRStringList strings;
        EXPECT_TRUE(CQVRRegistryMultiString::split(data, strings));
        EXPECT_EQ(c.strings, textsOf(strings));
    }
}

}  // namespace
