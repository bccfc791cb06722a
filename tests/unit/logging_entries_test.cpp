// Log entries as objects: owned record texts, the formatted messages of the
// exception and warning classes, when an entry is written (once), and the
// last-error value that logging must leave alone.
#include "core/qvr_buffer.h"
#include "diagnostics/entries/qvr_adjust_token_privileges_exception.h"
#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/entries/qvr_buffer_init_exception.h"
#include "diagnostics/entries/qvr_close_handle_warning.h"
#include "diagnostics/entries/qvr_directory_init_exception.h"
#include "diagnostics/entries/qvr_get_policy_setting_warning.h"
#include "diagnostics/entries/qvr_index_out_of_bounds_exception.h"
#include "diagnostics/entries/qvr_load_string_exception.h"
#include "diagnostics/entries/qvr_lookup_privilege_value_exception.h"
#include "diagnostics/entries/qvr_mem_alloc_exception.h"
#include "diagnostics/entries/qvr_mem_destroy_fail_warning.h"
#include "diagnostics/entries/qvr_memory_copy_exception.h"
#include "diagnostics/entries/qvr_message_box_init_exception.h"
#include "diagnostics/entries/qvr_open_process_token_exception.h"
#include "diagnostics/entries/qvr_reg_close_key_warning.h"
#include "diagnostics/entries/qvr_reg_enum_key_exception.h"
#include "diagnostics/entries/qvr_reg_enum_value_exception.h"
#include "diagnostics/entries/qvr_reg_key_already_closed_warning.h"
#include "diagnostics/entries/qvr_reg_key_already_open_warning.h"
#include "diagnostics/entries/qvr_reg_key_create_exception.h"
#include "diagnostics/entries/qvr_reg_key_init_exception.h"
#include "diagnostics/entries/qvr_reg_query_info_key_exception.h"
#include "diagnostics/entries/qvr_reg_query_multiple_values_exception.h"
#include "diagnostics/entries/qvr_reg_restore_key_exception.h"
#include "diagnostics/entries/qvr_reg_save_key_exception.h"
#include "diagnostics/entries/qvr_reg_value_set_exception.h"
#include "diagnostics/entries/qvr_si_get_storage_path_exception.h"
#include "diagnostics/entries/qvr_unhandled_exception_exception.h"
#include "diagnostics/entries/qvr_unknown_variable_name_exception.h"
#include "diagnostics/entries/qvr_windows_os_info_init_needed_exception.h"
#include "diagnostics/entries/qvr_write_private_profile_section_exception.h"
#include "diagnostics/entries/qvr_write_private_profile_string_exception.h"
#include "diagnostics/qvr_detailed_log.h"
#include "diagnostics/qvr_function_trace.h"
#include "diagnostics/qvr_log_exception1.h"
#include "qvr_guard.h"
#include "qvr_test_helpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using qvrtest::countLines;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const WCHAR* const kFile = QVR_T("logging_entries_test.cpp");

std::string text(const WCHAR* sz) { return sz ? qvrtest::narrow(sz) : std::string("(null)"); }

class LoggingEntriesTest : public qvrtest::MachineTest {};

TEST_F(LoggingEntriesTest, RecordTextsAreOwnedCopies)
{
    CQVROwnedText field;
    wstr source = W("abc");
    EXPECT_TRUE(field.set(source.c_str()));
    ASSERT_NE(nullptr, field.get());
    EXPECT_NE(source.c_str(), field.get());
    source[0] = 'x';
    EXPECT_EQ("abc", text(field));
    // Setting a field from its own text keeps the text.
    EXPECT_TRUE(field.set(field));
    EXPECT_EQ("abc", text(field));
    EXPECT_FALSE(field.set(QVR_T("")));
    EXPECT_EQ(nullptr, field.get());
    EXPECT_TRUE(field.set(QVR_T("d")));
    EXPECT_FALSE(field.set(nullptr));
    EXPECT_EQ(nullptr, field.get());

    CQVRDetailedLogRecord record;
    record.m_ulLevel = llWarning;
    record.m_ulLine = 7;
    record.m_szMessage.set(QVR_T("m"));
    record.m_szClassName.set(QVR_T("C"));
    CQVRDetailedLogRecord copy(record);
    EXPECT_NE(record.m_szMessage.get(), copy.m_szMessage.get());
    EXPECT_NE(record.m_szClassName.get(), copy.m_szClassName.get());
    EXPECT_EQ("m", text(copy.m_szMessage));
    EXPECT_EQ("C", text(copy.m_szClassName));
    EXPECT_EQ(7u, copy.m_ulLine);
    EXPECT_EQ(nullptr, copy.m_szMethodName.get());
    CQVRDetailedLogRecord& alias = copy;
    copy = alias;
    EXPECT_EQ("C", text(copy.m_szClassName));
}

TEST_F(LoggingEntriesTest, MessagesAreFormattedOnceWithUnknownForNull)
{
    CQVRBadArgException badArg(nullptr, QVR_T("desc"), kFile, 1, otText, false);
    EXPECT_EQ("A bad argument was provided ( Unknown ). desc", text(badArg.m_record.m_szMessage));
    EXPECT_EQ(llExceptionBad, badArg.m_record.m_ulLevel);
    EXPECT_EQ(0u, badArg.m_record.m_ulValue);

    CQVRRegValueSetException valueSet(nullptr, nullptr, 5, QVR_T("CQVRRegistryValue"), QVR_T("setValue"), kFile, 2,
                                      otText, false);
    EXPECT_EQ("Unable to Set registry value ( \"Unknown\\Unknown\" )", text(valueSet.m_record.m_szMessage));
    EXPECT_EQ(rkPassFail, valueSet.m_record.m_ulResultKind);
    EXPECT_EQ("CQVRRegistryValue", text(valueSet.m_record.m_szClassName));
    EXPECT_EQ("setValue", text(valueSet.m_record.m_szMethodName));

    CQVRRegValueSetException named(QVR_T("Software\\Dravonne"), QVR_T("Version"), 5, nullptr, nullptr, kFile, 2, otText,
                                   false);
    EXPECT_EQ("Unable to Set registry value ( \"Software\\Dravonne\\Version\" )", text(named.m_record.m_szMessage));

    CQVRLoadStringException loadString(nullptr, 1120, 1814, kFile, 3, false);
    EXPECT_EQ("Unable to load string ( ID: 1120 ) from resource DLL ( Unknown resource DLL )",
              text(loadString.m_record.m_szMessage));
    EXPECT_EQ(1814u, loadString.m_record.m_ulValue);

    CQVRGetPolicySettingWarning policy(42, kFile, 4, otText, false);
    EXPECT_EQ("Could not find policy setting with ID ( 42 )", text(policy.m_record.m_szMessage));
    EXPECT_EQ(llWarning, policy.m_record.m_ulLevel);

    CQVRSIgetStoragePathException storage(QVR_T("CSIDL_COMMON_APPDATA"), QVR_T("SHGetFolderPath( ) failed"), 0x80004005,
                                          QVR_T("CQVRSystemInfo"), QVR_T("getStoragePath"), kFile, 5, otText, false);
    EXPECT_EQ("Unable to obtain Windows shell folder path for folder ( \"CSIDL_COMMON_APPDATA\" ).  SHGetFolderPath( ) "
              "failed",
              text(storage.m_record.m_szMessage));

    CQVRWritePrivateProfileStringException profile(QVR_T("Main"), nullptr, 5, kFile, 6, otText, false);
    EXPECT_EQ("Unable to write profile string ( section: Main, key name: Unknown )",
              text(profile.m_record.m_szMessage));

    CCloseHandleWarning close(QVR_T("hLocalToken"), 6, kFile, 7, otText, false);
    EXPECT_EQ("Unable to free memory ( hLocalToken )", text(close.m_record.m_szMessage));
    EXPECT_FALSE(close.m_bLogOnDestroy);

    CQVRRegKeyAlreadyOpenWarning open(QVR_T("Software"), QVR_T("CQVRRegistryKey"), QVR_T("open"), kFile, 8, otText,
                                      false);
    EXPECT_EQ("Registry key is already open ( Software )", text(open.m_record.m_szMessage));
    EXPECT_EQ(0xFFFFFFFFu, open.m_record.m_ulValue);
    EXPECT_EQ(rkPassFail, open.m_record.m_ulResultKind);

    // An argument longer than the message buffer is cut, not overrun.
    const wstr huge = W(std::string(5000, 'k').c_str());
    CQVRRegEnumKeyException enumKey(huge.c_str(), 5, nullptr, nullptr, kFile, 9, otText, false);
    const std::string message = text(enumKey.m_record.m_szMessage);
    EXPECT_LT(message.size(), 1024u);
    EXPECT_EQ("Unable to enumerate subkeys from key ( \"kkk", message.substr(0, 43));
}

// Every exception and warning class, built with its text arguments and
// with null ones: the exact message, level, value, result kind and whether
// it records the class and method it was given.
TEST_F(LoggingEntriesTest, EveryEntryClassBuildsItsRecord)
{
    typedef std::unique_ptr<CQVRDetailedLog> Entry;
    typedef const WCHAR* Text;
    const Text kCls = QVR_T("CQVRSome");
    const Text kMethod = QVR_T("someMethod");
    struct Case {
        const char* szName;
        std::function<Entry(Text, Text)> build;  // the two text arguments, where the class takes them
        const char* szMessage;                   // built with "a" and "b"
        const char* szNullMessage;               // built with null texts
        uint32_t ulLevel;
        uint32_t ulValue;
        uint32_t ulKind;
        bool bSite;  // records the class and method
    };
    const uint32_t kNone = 0xFFFFFFFFu;
    const uint32_t E = llExceptionBad;
    const uint32_t Wg = llWarning;
    const std::vector<Case> cases = {
        {"AdjustTokenPrivileges",
         [&](Text a, Text) { return Entry(new CQVRAdjustTokenPrivilegesException(a, 5, kFile, 1, otText, false)); },
         "AdjustTokenPrivileges call failed for handle:a", "AdjustTokenPrivileges call failed for handle:Unknown", E, 5,
         rkError, false},
        {"BadArg", [&](Text a, Text b) { return Entry(new CQVRBadArgException(a, b, kFile, 1, otText, false)); },
         "A bad argument was provided ( a ). b", "A bad argument was provided ( Unknown ). Unknown", E, 0, rkError,
         false},
        {"BufferInit", [&](Text, Text) { return Entry(new CQVRBufferInitException(kFile, 1, false)); },
         "Unable to initialize CQVRBuffer", "Unable to initialize CQVRBuffer", E, kNone, rkError, false},
        {"CloseHandle", [&](Text a, Text) { return Entry(new CCloseHandleWarning(a, 6, kFile, 1, otText, false)); },
         "Unable to free memory ( a )", "Unable to free memory ( Unknown )", Wg, 6, rkError, false},
        {"DirectoryInit", [&](Text, Text) { return Entry(new CQVRDirectoryInitException(kFile, 1)); },
         "CQVRDirectory object failed to initialize", "CQVRDirectory object failed to initialize", E, kNone, rkError,
         false},
        {"GetPolicySetting",
         [&](Text, Text) { return Entry(new CQVRGetPolicySettingWarning(42, kFile, 1, otText, false)); },
         "Could not find policy setting with ID ( 42 )", "Could not find policy setting with ID ( 42 )", Wg, 0, rkError,
         false},
        {"IndexOutOfBounds", [&](Text, Text) { return Entry(new CQVRIndexOutOfBoundsException(kFile, 1)); },
         "Index out of array bounds", "Index out of array bounds", E, kNone, rkError, false},
        {"LoadString", [&](Text a, Text) { return Entry(new CQVRLoadStringException(a, 1120, 1814, kFile, 1, false)); },
         "Unable to load string ( ID: 1120 ) from resource DLL ( a )",
         "Unable to load string ( ID: 1120 ) from resource DLL ( Unknown resource DLL )", E, 1814, rkError, false},
        {"LookupPrivilegeValue",
         [&](Text a, Text) { return Entry(new CQVRLookupPrivilegeValueException(a, 1313, kFile, 1, otText, false)); },
         "LookupPrivilegeValue call failed for privilege:a", "LookupPrivilegeValue call failed for privilege:Unknown",
         E, 1313, rkError, false},
        {"MemAlloc", [&](Text a, Text) { return Entry(new CQVRMemAllocException(a, kFile, 1, otText, false)); },
         "Unable to allocate memory ( a )", "Unable to allocate memory ( Unknown )", E, kNone, rkError, false},
        {"MemDestroyFail", [&](Text a, Text) { return Entry(new CMemDestroyFailWarning(a, kFile, 1, otText, false)); },
         "Unable to free memory ( a )", "Unable to free memory ( Unknown )", Wg, kNone, rkError, false},
        {"MemoryCopy", [&](Text, Text) { return Entry(new CQVRMemoryCopyException(22, kFile, 1, false)); },
         "memcpy() function failed", "memcpy() function failed", E, 22, rkError, false},
        {"MessageBoxInit",
         [&](Text, Text) { return Entry(new CQVRMessageBoxInitException(7, kFile, 1, otText, false)); },
         "Unable to initialize message box", "Unable to initialize message box", E, 7, rkError, false},
        {"OpenProcessToken",
         [&](Text a, Text) { return Entry(new CQVROpenProcessTokenException(a, 5, kFile, 1, otText, false)); },
         "OpenProcessToken call failed for handle:a", "OpenProcessToken call failed for handle:Unknown", E, 5, rkError,
         false},
        {"RegCloseKey",
         [&](Text a, Text) { return Entry(new CQVRRegCloseKeyWarning(a, 6, kCls, kMethod, kFile, 1, otText, false)); },
         "Unable to close registry key ( a )", "Unable to close registry key ( Unknown )", Wg, 6, rkError, true},
        {"RegEnumKey",
         [&](Text a, Text) { return Entry(new CQVRRegEnumKeyException(a, 5, kCls, kMethod, kFile, 1, otText, false)); },
         "Unable to enumerate subkeys from key ( \"a\" )", "Unable to enumerate subkeys from key ( \"Unknown\" )", E, 5,
         rkError, true},
        {"RegEnumValue",
         [&](Text a, Text) {
             return Entry(new CQVRRegEnumValueException(a, 5, kCls, kMethod, kFile, 1, otText, false));
         },
         "Unable to enumerate values from key ( \"a\" )", "Unable to enumerate values from key ( \"Unknown\" )", E, 5,
         rkError, true},
        {"RegKeyAlreadyClosed",
         [&](Text a, Text) {
             return Entry(new CQVRRegKeyAlreadyClosedWarning(a, kCls, kMethod, kFile, 1, otText, false));
         },
         "Registry key is already closed ( a )", "Registry key is already closed ( Unknown )", Wg, kNone, rkPassFail,
         true},
        {"RegKeyAlreadyOpen",
         [&](Text a, Text) {
             return Entry(new CQVRRegKeyAlreadyOpenWarning(a, kCls, kMethod, kFile, 1, otText, false));
         },
         "Registry key is already open ( a )", "Registry key is already open ( Unknown )", Wg, kNone, rkPassFail, true},
        {"RegKeyCreate",
         [&](Text a, Text) {
             return Entry(new CQVRRegKeyCreateException(a, 5, kCls, kMethod, kFile, 1, otText, false));
         },
         "Unable to create registry key ( \"a\" )", "Unable to create registry key ( \"Unknown\" )", E, 5, rkPassFail,
         true},
        {"RegKeyInit", [&](Text, Text) { return Entry(new CQVRRegKeyInitException(kFile, 1, otText, false)); },
         "CQVRRegistryKey object failed to initialize", "CQVRRegistryKey object failed to initialize", E, kNone,
         rkError, false},
        {"RegQueryInfoKey",
         [&](Text a, Text) { return Entry(new CQVRRegQueryInfoKeyException(a, 5, kFile, 1, otText, false)); },
         "Unable to query info on registry key ( \"a\" )", "Unable to query info on registry key ( \"Unknown\" )", E, 5,
         rkPassFail, false},
        {"RegQueryMultipleValues",
         [&](Text a, Text) { return Entry(new CQVRRegQueryMultipleValuesException(a, 5, kFile, 1, otText, false)); },
         "Unable to query multiple values from registry key ( \"a\" )",
         "Unable to query multiple values from registry key ( \"Unknown\" )", E, 5, rkPassFail, false},
        {"RegRestoreKey",
         [&](Text a, Text) {
             return Entry(new CQVRRegRestoreKeyException(a, 1314, kCls, kMethod, kFile, 1, otText, false));
         },
         "Unable to load registry key ( \"a\" )", "Unable to load registry key ( \"Unknown\" )", E, 1314, rkPassFail,
         true},
        {"RegSaveKey",
         [&](Text a, Text) {
             return Entry(new CQVRRegSaveKeyException(a, 1314, kCls, kMethod, kFile, 1, otText, false));
         },
         "Unable to save registry key ( \"a\" )", "Unable to save registry key ( \"Unknown\" )", E, 1314, rkPassFail,
         true},
        {"RegValueSet",
         [&](Text a, Text b) {
             return Entry(new CQVRRegValueSetException(a, b, 5, kCls, kMethod, kFile, 1, otText, false));
         },
         "Unable to Set registry value ( \"a\\b\" )", "Unable to Set registry value ( \"Unknown\\Unknown\" )", E, 5,
         rkPassFail, true},
        {"SIgetStoragePath",
         [&](Text a, Text b) {
             return Entry(new CQVRSIgetStoragePathException(a, b, 3, kCls, kMethod, kFile, 1, otText, false));
         },
         "Unable to obtain Windows shell folder path for folder ( \"a\" ).  b",
         "Unable to obtain Windows shell folder path for folder ( \"Unknown\" ).  Unknown", E, 3, rkError, true},
        {"UnhandledException",
         [&](Text, Text) { return Entry(new CQVRUnhandledExceptionException(9, kFile, 1, otText, false)); },
         "An unhandled exception occurred", "An unhandled exception occurred", E, 9, rkError, false},
        {"UnknownVariableName", [&](Text, Text) { return Entry(new CQVRUnknownVariableNameException(kFile, 1)); },
         "The environment variable name has not been initialized",
         "The environment variable name has not been initialized", E, kNone, rkError, false},
        {"WindowsOSInfoInitNeeded",
         [&](Text, Text) { return Entry(new CQVRWindowsOSInfoInitNeededException(kFile, 1)); },
         "CQVRWindowsOSInfo construction failed. Cannot call member functions.",
         "CQVRWindowsOSInfo construction failed. Cannot call member functions.", E, kNone, rkError, false},
        {"WritePrivateProfileSection",
         [&](Text a, Text) {
             return Entry(new CQVRWritePrivateProfileSectionException(a, 5, kFile, 1, otText, false));
         },
         "Unable to write profile section ( section: a )", "Unable to write profile section ( section: Unknown )", E, 5,
         rkError, false},
        {"WritePrivateProfileString",
         [&](Text a, Text b) {
             return Entry(new CQVRWritePrivateProfileStringException(a, b, 5, kFile, 1, otText, false));
         },
         "Unable to write profile string ( section: a, key name: b )",
         "Unable to write profile string ( section: Unknown, key name: Unknown )", E, 5, rkError, false},
    };
    for (const Case& c : cases) {
        for (bool bNull : {false, true}) {
            Entry entry = bNull ? c.build(nullptr, nullptr) : c.build(QVR_T("a"), QVR_T("b"));
            const CQVRDetailedLogRecord& r = entry->m_record;
            EXPECT_EQ(bNull ? c.szNullMessage : c.szMessage, text(r.m_szMessage)) << c.szName;
            EXPECT_EQ(c.ulLevel, r.m_ulLevel) << c.szName;
            EXPECT_EQ(c.ulValue, r.m_ulValue) << c.szName;
            EXPECT_EQ(c.ulKind, r.m_ulResultKind) << c.szName;
            EXPECT_EQ(c.bSite ? "CQVRSome" : "(null)", text(r.m_szClassName)) << c.szName;
            EXPECT_EQ(c.bSite ? "someMethod" : "(null)", text(r.m_szMethodName)) << c.szName;
            EXPECT_EQ("logging_entries_test.cpp", text(r.m_szSourceFile)) << c.szName;
            EXPECT_FALSE(entry->m_bLogOnDestroy) << c.szName;
        }
    }
}

TEST_F(LoggingEntriesTest, ResultKindDecidesWhetherTheErrorCodeIsWritten)
{
    wstr log = qvrtest::enableTextLog();
    CQVRRegKeyCreateException create(QVR_T("Software\\A"), 5, QVR_T("CQVRRegistryKey"), QVR_T("create"), kFile, 10);
    CQVRRegEnumKeyException enumKey(QVR_T("Software\\A"), 5, QVR_T("CQVRRegistryKey"), QVR_T("enumSubKeys"), kFile, 11);
    std::vector<wstr> lines = qvrtest::readLogLines(log);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(wstr::npos, lines[0].find(W("<Error:")));
    EXPECT_NE(
        wstr::npos,
        lines[1].find(W("<CQVRRegistryKey::enumSubKeys> \"Unable to enumerate subkeys from key ( \"Software\\A\" )\" "
                        "<Error: 0x00000005> <logging_entries_test.cpp, 11> ")));
}

TEST_F(LoggingEntriesTest, ThrownExceptionIsWrittenExactlyOnce)
{
    wstr log = qvrtest::enableTextLog();
    bool bResult = qvrGuard(false, kFile, __LINE__, QVRErrorSource::LastError, [&]() -> bool {
        throw CQVRBadArgException(QVR_T("ulIndex"), QVR_T("out of range"), kFile, __LINE__);
    });
    EXPECT_FALSE(bResult);
    EXPECT_EQ(1u, countLines(log, "A bad argument was provided ( ulIndex ). out of range"));
    EXPECT_EQ(1u, qvrtest::readLogLines(log).size());

    // One built without writing is written by the handler.
    qvrTry(kFile, __LINE__, QVRErrorSource::LastError,
           [&]() { throw CQVRBadArgException(QVR_T("late"), QVR_T("d"), kFile, __LINE__, otText, false); });
    EXPECT_EQ(1u, countLines(log, "( late )"));

    // A copy keeps the written flag.
    CQVRLogException1 direct(QVR_T("Policy source is not supported."), 0, kFile, __LINE__);
    EXPECT_TRUE(direct.m_bLogged);
    CQVRLogException1 copy(direct);
    EXPECT_TRUE(copy.m_bLogged);
    EXPECT_EQ(1u, countLines(log, "\"Policy source is not supported.\" <logging_entries_test.cpp, "));
}

// An entry that writes itself when destroyed and is also written by the
// handler that caught it appears once.
TEST_F(LoggingEntriesTest, EntriesWrittenOnDestroyAreWrittenOnceWhenHandled)
{
    struct Case {
        const char* szMessage;
        std::function<void()> run;
    };
    const Case cases[] = {
        // A write past the end with growth fails its copy.
        {"\"memcpy() function failed\"",
         [] {
             CQVRBuffer<char> buffer(4);
             const CQVRBuffer<char> data("x", 1, 0);
             EXPECT_FALSE(buffer.write(data, 9, true));
         }},
        // A buffer that cannot be built inside a guarded method.
        {"\"Unable to initialize CQVRBuffer\"",
         [] {
             EXPECT_FALSE(
                 qvrTry(kFile, __LINE__, QVRErrorSource::Errno, [] { CQVRBuffer<char> tooBig("x", 0xFFFFFFFFu, 2); }));
         }},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        wstr log = qvrtest::enableTextLog();
        c.run();
        EXPECT_EQ(1u, countLines(log, c.szMessage)) << c.szMessage;
    }
}

TEST_F(LoggingEntriesTest, AnythingElseBecomesAnUnhandledException)
{
    wstr log = qvrtest::enableTextLog();
    uint32_t ulResult = qvrGuard(7u, kFile, 77, QVRErrorSource::LastError, [&]() -> uint32_t {
        SetLastError(5);
        throw 1;
    });
    EXPECT_EQ(7u, ulResult);
    EXPECT_EQ(
        1u, countLines(log, "\"An unhandled exception occurred\" <Error: 0x00000005> <logging_entries_test.cpp, 77> "));
    qvrTry(kFile, 78, QVRErrorSource::MinusOne, [&]() { throw 2; });
    EXPECT_EQ(1u, countLines(log, "\"An unhandled exception occurred\" <logging_entries_test.cpp, 78> "));
}

TEST_F(LoggingEntriesTest, CopyAndBufferFailuresAreWrittenWhenDestroyed)
{
    wstr log = qvrtest::enableTextLog();
    {
        CQVRMemoryCopyException copy(22, kFile, 1);
        CQVRBufferInitException init(kFile, 2);
        EXPECT_FALSE(copy.m_bLogged);
        EXPECT_TRUE(qvrtest::readLogLines(log).empty());
    }
    EXPECT_EQ(1u, countLines(log, "\"memcpy() function failed\" <Error: 0x00000016> "));
    EXPECT_EQ(1u, countLines(log, "\"Unable to initialize CQVRBuffer\" <logging_entries_test.cpp, 2> "));
    // Built without write on destroy, they write nothing at all.
    {
        CQVRBufferInitException quiet(kFile, 3, false);
    }
    EXPECT_EQ(2u, qvrtest::readLogLines(log).size());
    CQVRIndexOutOfBoundsException index(kFile, 4);
    EXPECT_TRUE(index.m_bLogged);
    EXPECT_EQ(1u, countLines(log, "\"Index out of array bounds\" <logging_entries_test.cpp, 4> "));
}

TEST_F(LoggingEntriesTest, LoggingLeavesTheLastErrorAlone)
{
    // Written.
    wstr log = qvrtest::enableTextLog(0x0FFF);
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    SetLastError(1234);
    {
        CQVRLogException1 e(QVR_T("written"), 0, kFile, 1);
        EXPECT_TRUE(e.m_bLogged);
    }
    EXPECT_EQ(1234u, GetLastError());
    {
        CQVRFunctionTrace trace(QVR_T("C"), QVR_T("m"), kFile, 2);
        EXPECT_EQ(1234u, GetLastError());
        SetLastError(99);
    }
    EXPECT_EQ(99u, GetLastError());
    EXPECT_EQ(3u, qvrtest::readLogLines(log).size());

    // The write fails: the file's folder has a missing parent.
    qvrtest::setLogString(W("TextOutput"), qvrtest::testFolder() + W("no\\such\\x.log"));
    SetLastError(4321);
    {
        CQVRLogException1 e(QVR_T("lost"), 0, kFile, 3);
        EXPECT_FALSE(e.m_bLogged);
    }
    EXPECT_EQ(4321u, GetLastError());

    // Not wanted at all.
    qvrtest::setLogValue(W("Logging"), 0);
    SetLastError(17);
    {
        CQVRLogException1 e(QVR_T("unwanted"), 0, kFile, 4);
    }
    EXPECT_EQ(17u, GetLastError());
}

}  // namespace
