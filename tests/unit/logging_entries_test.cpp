// Log entries as objects: owned record texts, the formatted messages of the
// exception and warning classes, when an entry is written (once), and the
// last-error value that logging must leave alone.
#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/entries/qvr_buffer_init_exception.h"
#include "diagnostics/entries/qvr_close_handle_warning.h"
#include "diagnostics/qvr_detailed_log.h"
#include "diagnostics/qvr_function_trace.h"
#include "diagnostics/entries/qvr_get_policy_setting_warning.h"
#include "qvr_guard.h"
#include "diagnostics/entries/qvr_index_out_of_bounds_exception.h"
#include "diagnostics/entries/qvr_load_string_exception.h"
#include "diagnostics/qvr_log_exception1.h"
#include "diagnostics/entries/qvr_memory_copy_exception.h"
#include "diagnostics/entries/qvr_reg_enum_key_exception.h"
#include "diagnostics/entries/qvr_reg_key_already_open_warning.h"
#include "diagnostics/entries/qvr_reg_key_create_exception.h"
#include "diagnostics/entries/qvr_reg_value_set_exception.h"
#include "diagnostics/entries/qvr_si_get_storage_path_exception.h"
#include "qvr_test_machine.h"
#include "diagnostics/entries/qvr_write_private_profile_string_exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using qvrtest::W;
using qvrtest::wstr;

namespace {

const WCHAR* const kFile = QVR_T("logging_entries_test.cpp");

std::string text(const WCHAR* sz)
{
    return sz ? qvrtest::narrow(sz) : std::string("(null)");
}

size_t countLines(const wstr& logPath, const char* szText)
{
    size_t n = 0;
    for (const wstr& line : qvrtest::readLogLines(logPath))
        if (line.find(W(szText)) != wstr::npos)
            ++n;
    return n;
}

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

} // namespace
