// The logging configuration, read from the registry afresh for every
// decision. The decisions use the raw registry calls on purpose: the registry
// classes log through this reader, and must not be needed to decide about
// their own entries. Only the dynamic logging state, read once, goes through
// the registry value class.
#include "diagnostics/qvr_log_configuration.h"

#include "core/qvr_platform_text.h"
#include "core/qvr_scoped_handle.h"
#include "diagnostics/qvr_detailed_log_record.h"
#include "diagnostics/qvr_log_types.h"
#include "registry/qvr_registry_dword.h"

#include <new>

static const WCHAR* const kLogsKey = QVR_T("SOFTWARE\\Dravonne\\Logs");
static const WCHAR* const kLogging = QVR_T("Logging");
static const WCHAR* const kLogDetail = QVR_T("LogDetail");
static const WCHAR* const kAllowObjects = QVR_T("AllowObjects");
static const WCHAR* const kExcludeObjects = QVR_T("ExcludeObjects");
static const WCHAR* const kDynamicLogging = QVR_T("DynamicLogging");
static const WCHAR* const kTextOutput = QVR_T("TextOutput");
static const WCHAR* const kXMLOutput = QVR_T("XMLOutput");
static const WCHAR* const kServerOutput = QVR_T("ServerOutput");
static const WCHAR* const kHTMLOutput = QVR_T("HTMLOutput");
static const WCHAR* const kUnknownOutput = QVR_T("UnknownOutput");

static const uint16_t kDefaultLogDetail = 0x1B;  // CRITICAL, EXCEPTION_BAD, ERROR, WARNING
static const uint16_t kExitErrorNonZero = 0x1000;
static const uint16_t kExitPassFailFalse = 0x2000;
static const uint16_t kExitLogicalFalse = 0x4000;
static const uint32_t kObjectListBytes = 1024;
static const uint32_t kApplicationValueBytes = 260;
static const uint32_t kPathValueBytes = 256;

static CQVRLogConfiguration::DynamicLoggingState s_dynamicLogging = CQVRLogConfiguration::dlsNotRead;

namespace {

enum ReadOutcome { roAbsent, roPresent, roRead };

// One value of the configuration key: open, query into the caller's buffer,
// close. Present whenever the query does not say the value is missing; fully
// read only when the query succeeded.
ReadOutcome readValue(const WCHAR* szValueName, void* pBuffer, uint32_t ulBytes)
{
    // Silent: a failed close of the configuration key is no entry of its own.
    CQVRScopedKey key;
    // Any failure to open counts as an absent key: a handle that was not
    // handed out must never be queried.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLogsKey, 0, qvrRegistryView(KEY_READ), key.receive()) != ERROR_SUCCESS)
        return roAbsent;
    DWORD ulType = 0;
    DWORD ulSize = ulBytes;
    const LONG lResult =
        RegQueryValueExW(key.get(), szValueName, nullptr, &ulType, static_cast<BYTE*>(pBuffer), &ulSize);
    if (lResult == ERROR_FILE_NOT_FOUND)
        return roAbsent;
    return lResult == ERROR_SUCCESS ? roRead : roPresent;
}

// The first four bytes of a value; zero where the value gave fewer. A value
// longer than that cannot be read, and so counts as absent.
bool readDword(const WCHAR* szValueName, uint32_t& ulValue)
{
    uint8_t bytes[4] = {0, 0, 0, 0};
    if (readValue(szValueName, bytes, sizeof(bytes)) != roRead)
        return false;
    ulValue = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
              (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

// A text value of at most ulBytes bytes into szBuffer, which holds one
// character more than that for the terminator the registry need not store.
ReadOutcome readText(const WCHAR* szValueName, WCHAR* szBuffer, uint32_t ulBytes)
{
    const uint32_t ulChars = ulBytes / sizeof(WCHAR);
    for (uint32_t i = 0; i <= ulChars; ++i)
        szBuffer[i] = 0;
    const ReadOutcome outcome = readValue(szValueName, szBuffer, ulChars * sizeof(WCHAR));
    szBuffer[ulChars] = 0;
    return outcome;
}

bool isEmpty(const WCHAR* szText) { return szText == nullptr || szText[0] == 0; }

bool contains(const WCHAR* szText, const WCHAR* szPart)
{
    for (const WCHAR* p = szText; *p != 0; ++p) {
        uint32_t i = 0;
        while (szPart[i] != 0 && p[i] == szPart[i])
            ++i;
        if (szPart[i] == 0)
            return true;
    }
    return false;
}

bool isSpace(WCHAR c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A decimal field: optional white space and sign, then digits up to the first
// other character; no digits give 0. Kept to 16 bits.
uint16_t parseField(const WCHAR* szField)
{
    const WCHAR* p = szField;
    while (isSpace(*p))
        ++p;
    bool bNegative = false;
    if (*p == '+' || *p == '-') {
        bNegative = (*p == '-');
        ++p;
    }
    uint32_t ulValue = 0;
    while (*p >= '0' && *p <= '9') {
        ulValue = ulValue * 10u + static_cast<uint32_t>(*p - '0');
        ++p;
    }
    if (bNegative)
        ulValue = 0u - ulValue;
    return static_cast<uint16_t>(ulValue);
}

// The running executable's name without directories and last extension,
// its path read whole. False only when the name cannot be had.
bool moduleBaseName(CQVROwnedText& name)
{
    const std::unique_ptr<WCHAR[]> path = qvrReadProgramPath();
    if (!path)
        return false;
    WCHAR* szPath = path.get();
    DWORD ulEnd = 0;
    while (szPath[ulEnd] != 0)
        ++ulEnd;
    DWORD ulStart = 0;
    for (DWORD i = 0; i < ulEnd; ++i)
        if (szPath[i] == '\\' || szPath[i] == '/')
            ulStart = i + 1;
    DWORD ulStop = ulEnd;
    for (DWORD i = ulStart; i < ulEnd; ++i)
        if (szPath[i] == '.')
            ulStop = i;
    // A name that is all extension gives an empty name: the entry is
    // written all the same, without one.
    if (ulStop <= ulStart)
        return true;
    szPath[ulStop] = 0;
    return name.set(szPath + ulStart);
}

// The per-application setting "output types,detail,remainder". A text without
// a comma is read as output types alone, with detail 0.
void parseApplicationSetting(const WCHAR* szValue, uint16_t& usOutputTypes, uint16_t& usDetail)
{
    usOutputTypes = parseField(szValue);
    usDetail = 0;
    const WCHAR* p = szValue;
    while (*p != 0 && *p != ',')
        ++p;
    if (*p == ',')
        usDetail = parseField(p + 1);
    // The remainder after the last comma has no effect.
}

bool exitAdmitted(uint16_t usDetail, const CQVRLogRecord& record)
{
    const bool bFalse = (record.m_ulValue & 0xFF) == 0;
    if (record.m_ulResultKind == rkError && (usDetail & kExitErrorNonZero) != 0)
        return record.m_ulValue != 0;
    if (record.m_ulResultKind == rkPassFail && (usDetail & kExitPassFailFalse) != 0)
        return bFalse;
    if (record.m_ulResultKind == rkLogical && (usDetail & kExitLogicalFalse) != 0)
        return bFalse;
    return (usDetail & (kExitErrorNonZero | kExitPassFailFalse | kExitLogicalFalse)) == 0;
}

// A list that cannot be read whole counts as absent, like every value of the
// configuration: no filter.
bool classAdmitted(const WCHAR* szClassName)
{
    if (isEmpty(szClassName))
        return true;
    WCHAR szList[kObjectListBytes / sizeof(WCHAR) + 1];
    if (readText(kAllowObjects, szList, kObjectListBytes) == roRead)
        return contains(szList, szClassName);
    if (readText(kExcludeObjects, szList, kObjectListBytes) == roRead)
        return !contains(szList, szClassName);
    return true;
}

// The decision for a record; szClassName is the class of a detailed record
// (simple records name none and pass no filter).
CQVRLogDecision decide(const CQVRLogRecord& record, uint16_t usOutputTypes, const WCHAR* szClassName)
{
    CQVRLogDecision decision;
    decision.usOutputTypes = usOutputTypes;
    if (!CQVRLogConfiguration::isLoggingEnabled())
        return decision;
    // The per-application lookup uses the name the entry came with, so
    // entries without one always use the global values.
    const bool bNamed = !isEmpty(record.m_szApplication);
    if (!bNamed && !moduleBaseName(decision.szApplication))
        return decision;
    WCHAR szSetting[kApplicationValueBytes / sizeof(WCHAR) + 1];
    const ReadOutcome setting = bNamed ? readText(record.m_szApplication, szSetting, kApplicationValueBytes) : roAbsent;
    if (setting == roPresent)
        return decision;  // a setting that cannot be read suppresses the entry
    if (setting == roRead) {
        // No level check on this path: the application's own setting rules.
        parseApplicationSetting(szSetting, decision.usOutputTypes, decision.usDetail);
        decision.bWrite = true;
        return decision;
    }
    uint32_t ulDetail = kDefaultLogDetail;
    readDword(kLogDetail, ulDetail);
    decision.usDetail = static_cast<uint16_t>(ulDetail);
    decision.bWrite = (record.m_ulLevel & decision.usDetail) != 0 &&
                      (record.m_ulLevel != llExit || exitAdmitted(decision.usDetail, record)) &&
                      classAdmitted(szClassName);
    return decision;
}

// Nothing that goes wrong while deciding reaches the entry: it is not written.
CQVRLogDecision answer(const CQVRLogRecord& record, uint16_t usOutputTypes, const WCHAR* szClassName)
{
    try {
        CQVRLogDecision decision = decide(record, usOutputTypes, szClassName);
        // A record without a path of its own that goes to the text output
        // gets the configured one.
        if (decision.bWrite && (decision.usOutputTypes & otText) != 0 && record.m_szOutputPath.get() == nullptr)
            CQVRLogConfiguration::getTextOutputPath(decision.szTextPath);
        return decision;
    } catch (...) {
        CQVRLogDecision none;
        none.usOutputTypes = usOutputTypes;
        return none;
    }
}

}  // namespace

CQVRLogDecision CQVRLogConfiguration::isLoggable(const CQVRLogRecord& record, uint16_t usOutputTypes)
{
    return answer(record, usOutputTypes, nullptr);
}

CQVRLogDecision CQVRLogConfiguration::isLoggable(const CQVRDetailedLogRecord& record, uint16_t usOutputTypes)
{
    return answer(record, usOutputTypes, record.m_szClassName);
}

bool CQVRLogConfiguration::isLoggingEnabled()
{
    uint32_t ulLogging = 0;
    return readDword(kLogging, ulLogging) && ulLogging != 0;
}

bool CQVRLogConfiguration::getOutputPath(uint16_t usOutputType, WCHAR* szBuffer, uint32_t ulBytes)
{
    const WCHAR* szValueName = nullptr;
    switch (usOutputType) {
    case otText:
        szValueName = kTextOutput;
        break;
    case otXML:
        szValueName = kXMLOutput;
        break;
    case otServer:
        szValueName = kServerOutput;
        break;
    case otHTML:
        szValueName = kHTMLOutput;
        break;
    case otUnknown:
        szValueName = kUnknownOutput;
        break;
    case otNone:
        return true;  // has no path and needs none
    default:
        return false;
    }
    const uint32_t ulChars = ulBytes / sizeof(WCHAR);
    if (szBuffer == nullptr || ulChars == 0)
        return false;
    // Read whole into a buffer with room for a terminator, then hand over
    // what fits the caller's, always terminated.
    WCHAR* szValue = new (std::nothrow) WCHAR[ulChars + 1];
    if (szValue == nullptr)
        return false;
    const ReadOutcome outcome = readText(szValueName, szValue, ulChars * sizeof(WCHAR));
    // A path that did not fit is found but handed back empty: a cut path
    // would name some other file. A value that fills the buffer without a
    // terminator leaves no room for one, so it did not fit either.
    const bool bWhole = outcome == roRead && szValue[ulChars - 1] == 0;
    for (uint32_t i = 0; i < ulChars; ++i)
        szBuffer[i] = bWhole ? szValue[i] : 0;
    szBuffer[ulChars - 1] = 0;
    delete[] szValue;
    return outcome != roAbsent;
}

bool CQVRLogConfiguration::getTextOutputPath(CQVROwnedText& path)
{
    WCHAR szPath[kPathValueBytes / sizeof(WCHAR)];
    return getOutputPath(otText, szPath, kPathValueBytes) && path.set(szPath);
}

void CQVRLogConfiguration::readDynamicLogging()
{
    // Off first, and this order carries weight: the switch is read through a
    // registry value whose methods are traced themselves, and a trace asks
    // for this state. Already off, that question is answered at once and
    // starts no second read (which would start a third, and so on); the
    // switch's own read is never traced.
    s_dynamicLogging = dlsOff;
    try {
        CQVRRegistryDword value(HKEY_LOCAL_MACHINE, CQVRWCharString(kLogsKey), CQVRWCharString(kDynamicLogging),
                                KEY_READ, false, 0);
        uint32_t ulValue = 0;
        if (value.getValue(ulValue, false) && ulValue == 1)
            s_dynamicLogging = dlsOn;
    } catch (...) {
        // A value that cannot be read leaves the traces off.
    }
}

bool CQVRLogConfiguration::isDynamicLoggingOn()
{
    if (s_dynamicLogging == dlsNotRead)
        readDynamicLogging();
    return s_dynamicLogging == dlsOn;
}

CQVRLogConfiguration::DynamicLoggingState CQVRLogConfiguration::getDynamicLoggingState() { return s_dynamicLogging; }

void CQVRLogConfiguration::forgetDynamicLoggingState() { s_dynamicLogging = dlsNotRead; }
