// Which entries the registry configuration lets through: the master switch,
// the detail mask and its EXIT rules, the class filters, the per-application
// setting and the dynamic logging state that is read once.
#include "diagnostics/entries/qvr_mem_destroy_fail_warning.h"
#include "diagnostics/entries/qvr_unhandled_exception_exception.h"
#include "diagnostics/qvr_detailed_log.h"
#include "diagnostics/qvr_function_trace.h"
#include "diagnostics/qvr_log_configuration.h"
#include "diagnostics/qvr_log_debug.h"
#include "diagnostics/qvr_log_notification.h"
#include "qvr_test_helpers.h"

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::countLines;
using qvrtest::W;
using qvrtest::wstr;

namespace {

const WCHAR* const kFile = QVR_T("logging_configuration_test.cpp");

// A traced method as the library writes one.
bool tracedMethod(bool bResult)
{
    CQVRFunctionTrace trace(QVR_T("CQVRTraced"), QVR_T("run"), kFile, __LINE__);
    return trace.passFail(bResult);
}

bool entryOf(uint32_t ulLevel, const char* szClass, const WCHAR* szApplication = nullptr, uint32_t ulValue = 0,
             uint32_t ulKind = rkError)
{
    wstr cls = szClass ? W(szClass) : wstr();
    CQVRDetailedLog entry(ulLevel, QVR_T("probe"), ulValue, ulKind, szClass ? cls.c_str() : nullptr, QVR_T("m"), kFile,
                          1, true, false, otText, szApplication);
    return entry.m_bLogged;
}

class LoggingConfigurationTest : public qvrtest::MachineTest {};

TEST_F(LoggingConfigurationTest, NoLogsKeyWritesNothingAndTracesNothing)
{
    EXPECT_FALSE(CQVRLogConfiguration::isLoggingEnabled());
    EXPECT_FALSE(entryOf(llExceptionBad, "C"));
    EXPECT_EQ(CQVRLogConfiguration::dlsNotRead, CQVRLogConfiguration::getDynamicLoggingState());
    {
        CQVRFunctionTrace trace(QVR_T("C"), QVR_T("m"), kFile, __LINE__);
        EXPECT_FALSE(trace.isTracing());
    }
    EXPECT_EQ(CQVRLogConfiguration::dlsOff, CQVRLogConfiguration::getDynamicLoggingState());
    WCHAR szPath[128];
    EXPECT_FALSE(CQVRLogConfiguration::getOutputPath(otText, szPath, sizeof(szPath)));
}

TEST_F(LoggingConfigurationTest, DefaultDetailTakesExceptionsAndWarningsOnly)
{
    wstr log = qvrtest::enableTextLog();
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    {
        CQVRUnhandledExceptionException e(5, kFile, __LINE__);
        EXPECT_TRUE(e.m_bLogged);
        EXPECT_EQ(0x1B, e.m_usDetail);
    }
    {
        CMemDestroyFailWarning w(QVR_T("pBuffer"), kFile, __LINE__);
        EXPECT_TRUE(w.m_bLogged);
    }
    {
        CQVRLogDebug d(QVR_T("debug note"));
        EXPECT_FALSE(d.m_bLogged);
    }
    {
        CLogNotification n(QVR_T("shown"));
        EXPECT_FALSE(n.m_bLogged);
    }
    EXPECT_TRUE(entryOf(llCritical, "C"));
    EXPECT_TRUE(entryOf(llError, "C"));
    EXPECT_FALSE(entryOf(llExceptionOk, "C"));
    // Traces exist while "Logging" is on, but the default mask drops their records.
    {
        CQVRFunctionTrace trace(QVR_T("C"), QVR_T("m"), kFile, __LINE__);
        EXPECT_TRUE(trace.isTracing());
    }
    EXPECT_EQ(0u, countLines(log, "<ENTRY>") + countLines(log, "<EXIT>"));
    EXPECT_EQ(4u, qvrtest::readLogLines(log).size());
}

TEST_F(LoggingConfigurationTest, LoggingSwitchOffStopsEntriesAndTraces)
{
    wstr log = qvrtest::enableTextLog(0xFFFF);
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    qvrtest::setLogValue(W("Logging"), 0);
    EXPECT_FALSE(entryOf(llExceptionBad, "C"));
    CQVRFunctionTrace trace(QVR_T("C"), QVR_T("m"), kFile, __LINE__);
    EXPECT_FALSE(trace.isTracing());
    EXPECT_FALSE(qvrtest::fileExists(log));
}

TEST_F(LoggingConfigurationTest, ExitRulesWriteFailedTracesOnly)
{
    wstr log = qvrtest::enableTextLog(0x2300);
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    EXPECT_TRUE(tracedMethod(true));
    EXPECT_FALSE(tracedMethod(false));
    std::vector<wstr> lines = qvrtest::readLogLines(log);
    ASSERT_EQ(3u, lines.size());
    EXPECT_NE(wstr::npos, lines[0].find(W("<ENTRY> ")));
    EXPECT_NE(wstr::npos, lines[1].find(W("<ENTRY> ")));
    EXPECT_NE(wstr::npos, lines[2].find(W("<EXIT> ")));
    const wstr failed = W("<Failed> <logging_configuration_test.cpp, ");
    EXPECT_NE(wstr::npos, lines[2].find(failed));
    EXPECT_NE(wstr::npos, lines[2].find(W("<CQVRTraced::run> ")));
}

TEST_F(LoggingConfigurationTest, ExitRulesByResultKind)
{
    qvrtest::enableTextLog(0x1200);  // EXIT, error codes only when not 0
    EXPECT_TRUE(entryOf(llExit, "C", nullptr, 5, rkError));
    EXPECT_FALSE(entryOf(llExit, "C", nullptr, 0, rkError));
    EXPECT_FALSE(entryOf(llExit, "C", nullptr, 0, rkPassFail));  // no bit admits it
    qvrtest::setLogValue(W("LogDetail"), 0x4200);
    EXPECT_TRUE(entryOf(llExit, "C", nullptr, 0x100, rkLogical));  // the low byte decides
    EXPECT_FALSE(entryOf(llExit, "C", nullptr, 1, rkLogical));
    EXPECT_FALSE(entryOf(llExit, "C", nullptr, 0, rkReturnCode));
    qvrtest::setLogValue(W("LogDetail"), 0x0200);
    EXPECT_TRUE(entryOf(llExit, "C", nullptr, 1, rkPassFail));
    EXPECT_TRUE(entryOf(llExit, "C", nullptr, 0, rkReturnCode));
}

TEST_F(LoggingConfigurationTest, ClassFilters)
{
    qvrtest::enableTextLog();
    qvrtest::setLogString(W("AllowObjects"), W("CQVRRegistryKey;CQVRProfile"));
    EXPECT_TRUE(entryOf(llWarning, "CQVRRegistryKey"));
    EXPECT_TRUE(entryOf(llWarning, "CQVRRegistry"));  // a plain substring search
    EXPECT_FALSE(entryOf(llWarning, "cqvrregistrykey"));
    EXPECT_FALSE(entryOf(llWarning, "CQVRDirectory"));
    EXPECT_TRUE(entryOf(llWarning, nullptr));
    EXPECT_TRUE(entryOf(llWarning, ""));
    // The allow list wins; the exclude list is not read while it exists.
    qvrtest::setLogString(W("ExcludeObjects"), W("CQVRRegistryKey"));
    EXPECT_TRUE(entryOf(llWarning, "CQVRRegistryKey"));
    qvrtest::resetMachine();
    qvrtest::enableTextLog();
    qvrtest::setLogString(W("ExcludeObjects"), W("CQVRRegistryKey"));
    EXPECT_FALSE(entryOf(llWarning, "CQVRRegistryKey"));
    EXPECT_TRUE(entryOf(llWarning, "CQVRDirectory"));
    EXPECT_TRUE(entryOf(llWarning, nullptr));
}

// A value that cannot be read whole counts as absent, as the configuration's
// own rule says: "LogDetail" longer than its four bytes leaves the default
// mask (exceptions and warnings still written, debug notes not), an
// "AllowObjects" list too long to read filters nothing.
TEST_F(LoggingConfigurationTest, ValuesThatCannotBeReadCountAsAbsent)
{
    const wstr kLogs = W("SOFTWARE\\Dravonne\\Logs");
    const wstr longList = W(std::string(600, 'x').c_str());  // 1,202 bytes with its terminator
    const uint64_t ullQword = 0x20;
    struct Case {
        const char* szName;
        std::function<void()> set;
    };
    const Case cases[] = {
        {"LogDetail as text", [&] { qvrtest::setString(HKEY_LOCAL_MACHINE, kLogs, W("LogDetail"), W("27")); }},
        {"LogDetail as qword",
         [&] { qvrtest::setValueBytes(HKEY_LOCAL_MACHINE, kLogs, W("LogDetail"), 11, &ullQword, sizeof ullQword); }},
        {"AllowObjects too long", [&] { qvrtest::setLogString(W("AllowObjects"), longList); }},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        qvrtest::enableTextLog();
        c.set();
        {
            CQVRUnhandledExceptionException e(5, kFile, __LINE__);
            EXPECT_TRUE(e.m_bLogged) << c.szName;
            EXPECT_EQ(0x1B, e.m_usDetail) << c.szName;
        }
        EXPECT_TRUE(entryOf(llWarning, "CQVRRegistryKey")) << c.szName;
        EXPECT_FALSE(entryOf(llDebug, "CQVRRegistryKey")) << c.szName;
    }
}

TEST_F(LoggingConfigurationTest, PerApplicationSetting)
{
    wstr log = qvrtest::enableTextLog();
    const wstr name = qvrtest::moduleBaseName();
    // 831 is 0x033F; INFORMATION (0x40) is in neither mask, yet the named
    // entry is written: this path checks no level.
    qvrtest::setLogString(name, W(" 1,831,x"));
    {
        CQVRDetailedLog entry(llInformation, QVR_T("named"), 0, rkError, nullptr, nullptr, nullptr, 0, true, false,
                              otXML, name.c_str());
        EXPECT_TRUE(entry.m_bLogged);
        EXPECT_EQ(0x033F, entry.m_usDetail);
        EXPECT_EQ(otText, entry.m_usOutputTypes);
    }
    // An entry without a name uses the global values even in this program.
    EXPECT_FALSE(entryOf(llInformation, "C"));
    EXPECT_EQ(1u, countLines(log, "\"named\""));
    EXPECT_EQ(1u, countLines(log, ("<" + qvrtest::narrow(name) + "> ").c_str()));

    // The output types come from the value: XML writes nothing.
    qvrtest::setLogString(name, W("2,831,x"));
    EXPECT_FALSE(entryOf(llWarning, "C", name.c_str()));
    // Without a comma the text is the output types and the detail is 0.
    qvrtest::setLogString(name, W("1"));
    {
        CQVRDetailedLog entry(llDebug, QVR_T("nocomma"), 0, rkError, nullptr, nullptr, nullptr, 0, true, false, otText,
                              name.c_str());
        EXPECT_TRUE(entry.m_bLogged);
        EXPECT_EQ(0, entry.m_usDetail);
    }
    // A value that exists but cannot be read whole suppresses the entry.
    qvrtest::setLogString(name, W(("1,831," + std::string(200, 'x')).c_str()));
    EXPECT_FALSE(entryOf(llWarning, "C", name.c_str()));
    // A value named after another application changes nothing here.
    EXPECT_FALSE(entryOf(llDebug, "C", QVR_T("someotherapp")));
}

TEST_F(LoggingConfigurationTest, DynamicLoggingStateIsReadOnce)
{
    wstr log = qvrtest::enableTextLog(0x0300);
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    EXPECT_TRUE(tracedMethod(true));
    EXPECT_EQ(CQVRLogConfiguration::dlsOn, CQVRLogConfiguration::getDynamicLoggingState());
    qvrtest::setLogValue(W("DynamicLogging"), 0);
    EXPECT_TRUE(tracedMethod(true));
    EXPECT_EQ(4u, qvrtest::readLogLines(log).size());

    CQVRLogConfiguration::forgetDynamicLoggingState();
    EXPECT_FALSE(CQVRLogConfiguration::isDynamicLoggingOn());
    qvrtest::setLogValue(W("DynamicLogging"), 1);
    EXPECT_TRUE(tracedMethod(true));
    EXPECT_EQ(CQVRLogConfiguration::dlsOff, CQVRLogConfiguration::getDynamicLoggingState());
    EXPECT_EQ(4u, qvrtest::readLogLines(log).size());

    // Only the value 1 switches traces on.
    CQVRLogConfiguration::forgetDynamicLoggingState();
    qvrtest::setLogValue(W("DynamicLogging"), 2);
    EXPECT_FALSE(CQVRLogConfiguration::isDynamicLoggingOn());
}

TEST_F(LoggingConfigurationTest, OutputPathValueNames)
{
    qvrtest::setLogString(W("XMLOutput"), W("C:\\x.xml"));
    WCHAR szPath[128] = {};
    EXPECT_TRUE(CQVRLogConfiguration::getOutputPath(otXML, szPath, sizeof(szPath)));
    EXPECT_EQ("C:\\x.xml", qvrtest::narrow(szPath));
    EXPECT_FALSE(CQVRLogConfiguration::getOutputPath(otServer, szPath, sizeof(szPath)));
    EXPECT_TRUE(CQVRLogConfiguration::getOutputPath(otNone, szPath, sizeof(szPath)));
    EXPECT_FALSE(CQVRLogConfiguration::getOutputPath(0x40, szPath, sizeof(szPath)));
    // A value longer than the buffer is found, but comes back empty rather than cut.
    qvrtest::setLogString(W("HTMLOutput"), W(std::string(300, 'h').c_str()));
    WCHAR szSmall[8];
    EXPECT_TRUE(CQVRLogConfiguration::getOutputPath(otHTML, szSmall, sizeof(szSmall)));
    EXPECT_EQ(0, szSmall[0]);
}

// The application part is the program's file name without directories and
// last extension, whatever the path's length; a name that is only an
// extension leaves the part empty, but the entry is still written.
TEST_F(LoggingConfigurationTest, ModulePathNamesTheApplication)
{
    if (!qvrtest::onSubstitute())
        GTEST_SKIP() << "the program's own path can only be chosen on the substitute";
#ifndef _WIN32
    struct Case {
        std::string path;
        const char* szApplication;
    };
    const Case cases[] = {
        // Longer than the first buffer of MAX_PATH units the name is read into.
        {"C:\\" + std::string(290, 'd') + "\\deep.tool.exe", "deep.tool"},
        {"C:\\to.ols\\noext", "noext"},
        {"C:\\tools\\.exe", ""},
    };
    for (const Case& c : cases) {
        qvrtest::resetMachine();
        wstr log = qvrtest::enableTextLog();
        const wstr path = W(c.path.c_str());
        qvrsim::setModulePath(qvrsim::wstr(path.begin(), path.end()));
        EXPECT_TRUE(entryOf(llWarning, "C")) << c.path;
        EXPECT_EQ(1u, countLines(log, ("<WARNING> <" + std::string(c.szApplication) + "> <C::m> ").c_str())) << c.path;
    }
#endif
}

}  // namespace
