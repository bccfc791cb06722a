// The text output. Every record opens the file, appends one line and closes
// it again, so several processes can share one log.
#include "diagnostics/qvr_logging_output_text.h"

#include "core/qvr_scoped_handle.h"
#include "diagnostics/qvr_detailed_log_record.h"
#include "diagnostics/qvr_log_configuration.h"
#include "diagnostics/qvr_log_types.h"
#include "diagnostics/qvr_unicode_file.h"
#include "qvr_platform.h"

#include <ctime>

namespace {

const uint32_t kLineChars = 1024;
const uint32_t kMaxPathChars = 512;

const WCHAR* levelName(uint32_t ulLevel)
{
    switch (ulLevel) {
    case llCritical:
        return QVR_T("CRITICAL");
    case llExceptionBad:
        return QVR_T("EXCEPTION_BAD");
    case llExceptionOk:
        return QVR_T("EXCEPTION_OK");
    case llError:
        return QVR_T("ERROR");
    case llWarning:
        return QVR_T("WARNING");
    case llDebug:
        return QVR_T("DEBUG");
    case llInformation:
        return QVR_T("INFORMATION");
    case llNotification:
        return QVR_T("NOTIFICATION");
    case llEntry:
        return QVR_T("ENTRY");
    case llExit:
        return QVR_T("EXIT");
    case llSuccess:
        return QVR_T("SUCCESS");
    case llFailure:
        return QVR_T("FAILURE");
    default:
        return QVR_T("UNSPECIFIED");
    }
}

bool isEmpty(const WCHAR* szText) { return szText == nullptr || szText[0] == 0; }

uint32_t length(const WCHAR* szText)
{
    uint32_t ulLength = 0;
    if (szText != nullptr)
        while (szText[ulLength] != 0)
            ++ulLength;
    return ulLength;
}

// A bounded piece of a line: text beyond its capacity is cut, never written
// past the end.
class CLinePart {
public:
    explicit CLinePart(uint32_t ulCapacity) : m_ulCapacity(ulCapacity < kLineChars ? ulCapacity : kLineChars) {}

    void add(const WCHAR* szText, uint32_t ulMax = kLineChars)
    {
        for (uint32_t i = 0; szText != nullptr && szText[i] != 0 && i < ulMax && m_ulLength < m_ulCapacity; ++i)
            m_szText[m_ulLength++] = szText[i];
    }
    void add(const CLinePart& other)
    {
        for (uint32_t i = 0; i < other.m_ulLength && m_ulLength < m_ulCapacity; ++i)
            m_szText[m_ulLength++] = other.m_szText[i];
    }
    void addHex(uint32_t ulValue)
    {
        static const char kDigits[] = "0123456789abcdef";
        WCHAR szText[11] = {'0', 'x'};
        for (int i = 0; i < 8; ++i)
            szText[2 + i] = static_cast<WCHAR>(kDigits[(ulValue >> (28 - 4 * i)) & 0xF]);
        szText[10] = 0;
        add(szText);
    }
    void addDecimal(uint32_t ulValue, uint32_t ulMinDigits = 1)
    {
        WCHAR szDigits[11];
        uint32_t n = 0;
        do {
            szDigits[n++] = static_cast<WCHAR>('0' + ulValue % 10);
            ulValue /= 10;
        } while (ulValue != 0 || n < ulMinDigits);
        WCHAR szText[11];
        for (uint32_t i = 0; i < n; ++i)
            szText[i] = szDigits[n - 1 - i];
        szText[n] = 0;
        add(szText);
    }
    // Reserves room at the end, for the line end.
    void forceAdd(const WCHAR* szText)
    {
        for (uint32_t i = 0; szText[i] != 0 && m_ulLength < kLineChars; ++i)
            m_szText[m_ulLength++] = szText[i];
    }

    uint32_t size() const { return m_ulLength; }
    const WCHAR* data() const { return m_szText; }

private:
    uint32_t m_ulCapacity;
    uint32_t m_ulLength = 0;
    WCHAR m_szText[kLineChars];
};

// Room for everything but the carriage return and line feed.
const uint32_t kContentChars = kLineChars - 2;

// "<Wed Jan 02 02:03:55 1980>: ", the local time as the C runtime's ctime
// writes it (two-digit day), without its newline.
void addTime(CLinePart& line)
{
    static const WCHAR* const kDays[] = {QVR_T("Sun"), QVR_T("Mon"), QVR_T("Tue"), QVR_T("Wed"),
                                         QVR_T("Thu"), QVR_T("Fri"), QVR_T("Sat")};
    static const WCHAR* const kMonths[] = {QVR_T("Jan"), QVR_T("Feb"), QVR_T("Mar"), QVR_T("Apr"),
                                           QVR_T("May"), QVR_T("Jun"), QVR_T("Jul"), QVR_T("Aug"),
                                           QVR_T("Sep"), QVR_T("Oct"), QVR_T("Nov"), QVR_T("Dec")};
    std::time_t now = std::time(nullptr);
    const std::tm* pTime = std::localtime(&now);
    std::tm zero = {};
    if (pTime == nullptr) {
        zero.tm_mday = 1;
        zero.tm_year = 70;
        zero.tm_wday = 4;
        pTime = &zero;
    }
    line.add(QVR_T("<"));
    line.add(kDays[(pTime->tm_wday % 7 + 7) % 7]);
    line.add(QVR_T(" "));
    line.add(kMonths[(pTime->tm_mon % 12 + 12) % 12]);
    line.add(QVR_T(" "));
    line.addDecimal(static_cast<uint32_t>(pTime->tm_mday), 2);
    line.add(QVR_T(" "));
    line.addDecimal(static_cast<uint32_t>(pTime->tm_hour), 2);
    line.add(QVR_T(":"));
    line.addDecimal(static_cast<uint32_t>(pTime->tm_min), 2);
    line.add(QVR_T(":"));
    line.addDecimal(static_cast<uint32_t>(pTime->tm_sec), 2);
    line.add(QVR_T(" "));
    line.addDecimal(static_cast<uint32_t>(pTime->tm_year + 1900));
    line.add(QVR_T(">: "));
}

// Time, level and application: the parts both record kinds begin with.
void addHead(CLinePart& line, const CQVRLogRecord& record)
{
    addTime(line);
    line.add(QVR_T("<"));
    line.add(levelName(record.m_ulLevel));
    line.add(QVR_T("> <"));
    line.add(record.m_szApplication);
    line.add(QVR_T("> "));
}

void addErrorCode(CLinePart& part, uint32_t ulValue)
{
    if (ulValue != 0 && ulValue != static_cast<uint32_t>(-1)) {
        part.add(QVR_T("<Error: "));
        part.addHex(ulValue);
        part.add(QVR_T("> "));
    }
}

void addReturnCode(CLinePart& part, uint32_t ulValue)
{
    part.add(QVR_T("<Return Code: "));
    part.addHex(ulValue);
    part.add(QVR_T("> "));
}

// The message goes between head and tail and is what gets cut when the line
// would be too long, so the result and source parts survive a long text.
void addMessage(CLinePart& line, const WCHAR* szMessage, uint32_t ulTailChars)
{
    if (isEmpty(szMessage))
        return;
    const uint32_t ulUsed = line.size() + ulTailChars + 3;
    if (ulUsed >= kContentChars)
        return;
    line.add(QVR_T("\""));
    line.add(szMessage, kContentChars - ulUsed);
    line.add(QVR_T("\" "));
}

// Steps shared by both forms: the path (the configured one when the record
// has none), its directory part created one level deep, the file opened and
// the line appended. A file that is empty when the line is to be appended
// gets the byte-order mark first.
bool appendLine(CQVRLogRecord& record, bool bRequireDirectory, const CLinePart& line)
{
    if (record.m_szOutputPath.get() == nullptr && !CQVRLogConfiguration::getTextOutputPath(record.m_szOutputPath))
        return false;
    const WCHAR* szPath = record.m_szOutputPath;
    const uint32_t ulPathLength = length(szPath);
    if (ulPathLength >= kMaxPathChars || ulPathLength < 2 || szPath[1] != ':' ||
        !((szPath[0] >= 'A' && szPath[0] <= 'Z') || (szPath[0] >= 'a' && szPath[0] <= 'z')))
        return false;
    WCHAR szDirectory[kMaxPathChars];
    uint32_t ulDirectoryLength = 0;
    for (uint32_t i = 0; i < ulPathLength; ++i)
        if (szPath[i] == '\\')
            ulDirectoryLength = i + 1;
    if (ulDirectoryLength == 0 && bRequireDirectory)
        return false;
    if (ulDirectoryLength != 0) {
        for (uint32_t i = 0; i < ulDirectoryLength; ++i)
            szDirectory[i] = szPath[i];
        szDirectory[ulDirectoryLength] = 0;
        CreateDirectoryW(szDirectory, nullptr);
    }

    // Silent: a log file that cannot be closed is not written about in itself.
    CQVRScopedFile file;
    const DWORD ulShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    file.reset(CreateFileW(szPath, GENERIC_WRITE, ulShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isValid()) {
        file.reset(CreateFileW(szPath, GENERIC_WRITE, ulShare, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.isValid())
            return false;
    }
    // The mark starts an empty file, never one that already holds records
    // (the second open also finds a file that the first could not open, for
    // example while another process held it).
    return qvrAppendUnicode(file.get(), line.data(), line.size());
}

// The result part: the two record forms differ only in these texts.
struct ResultTexts {
    const WCHAR* szPassed;
    const WCHAR* szFailed;         // result kind 1
    const WCHAR* szFailedLogical;  // result kind 2
};

void addResult(CLinePart& tail, const CQVRLogRecord& record, const ResultTexts& texts)
{
    const bool bExit = record.m_ulLevel == llExit;
    switch (record.m_ulResultKind) {
    case rkError:
        addErrorCode(tail, record.m_ulValue);
        break;
    case rkPassFail:
        if (bExit)
            tail.add(record.m_ulValue != 0 ? texts.szPassed : texts.szFailed);
        break;
    case rkLogical:
        if (bExit)
            tail.add(record.m_ulValue != 0 ? texts.szPassed : texts.szFailedLogical);
        break;
    case rkReturnCode:
        addReturnCode(tail, record.m_ulValue);
        break;
    default:
        break;
    }
}

// The message between head and tail, the line end, and the write.
bool finishLine(CQVRLogRecord& record, bool bRequireDirectory, CLinePart& line, const CLinePart& tail)
{
    addMessage(line, record.m_szMessage, tail.size());
    line.add(tail);
    line.forceAdd(QVR_T("\r\n"));
    return appendLine(record, bRequireDirectory, line);
}

}  // namespace

bool CQVRLoggingOutputText::write(CQVRDetailedLogRecord& record)
{
    CLinePart line(kContentChars);
    addHead(line, record);
    const bool bClass = !isEmpty(record.m_szClassName);
    const bool bMethod = !isEmpty(record.m_szMethodName);
    if (bClass) {
        line.add(QVR_T("<"));
        line.add(record.m_szClassName);
        if (!bMethod)
            line.add(QVR_T("> "));
    }
    if (bMethod) {
        if (!bClass)
            line.add(QVR_T("<"));
        line.add(QVR_T("::"));
        line.add(record.m_szMethodName);
        line.add(QVR_T("> "));
    }

    CLinePart tail(kContentChars);
    static const ResultTexts kDetailed = {QVR_T("<Passed> "), QVR_T("<Failed> "), QVR_T("<Failed Logical Result> ")};
    addResult(tail, record, kDetailed);
    const bool bSource = !isEmpty(record.m_szSourceFile);
    if (bSource) {
        const WCHAR* szName = record.m_szSourceFile;
        for (const WCHAR* p = record.m_szSourceFile; *p != 0; ++p)
            if (*p == '\\')
                szName = p + 1;
        tail.add(QVR_T("<"));
        tail.add(szName);
        tail.add(record.m_ulLine != 0 ? QVR_T(", ") : QVR_T(">"));
    }
    if (record.m_ulLine != 0) {
        if (!bSource)
            tail.add(QVR_T("<"));
        tail.addDecimal(record.m_ulLine);
        tail.add(QVR_T("> "));
    }

    return finishLine(record, true, line, tail);
}

bool CQVRLoggingOutputText::writeSimple(CQVRLogRecord& record)
{
    CLinePart line(kContentChars);
    addHead(line, record);
    CLinePart tail(kContentChars);
    // No trailing space after the pass or fail text in this form.
    static const ResultTexts kSimple = {QVR_T("<Passed>"), QVR_T("<Failed>"), QVR_T("<Failed Comparison>")};
    addResult(tail, record, kSimple);
    return finishLine(record, false, line, tail);
}
