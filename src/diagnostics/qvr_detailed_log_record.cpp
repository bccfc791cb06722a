// The detailed log record: the simple record plus the producer's class,
// method, source file and line.
#include "diagnostics/qvr_detailed_log_record.h"

CQVRDetailedLogRecord::CQVRDetailedLogRecord()
    : m_szClassName(nullptr), m_szMethodName(nullptr), m_szSourceFile(nullptr), m_ulLine(0)
{
}

CQVRDetailedLogRecord::CQVRDetailedLogRecord(const CQVRDetailedLogRecord& other)
    : CQVRLogRecord(other), m_szClassName(nullptr), m_szMethodName(nullptr), m_szSourceFile(nullptr),
      m_ulLine(other.m_ulLine)
{
    setString(m_szClassName, other.m_szClassName);
    setString(m_szMethodName, other.m_szMethodName);
    setString(m_szSourceFile, other.m_szSourceFile);
}

CQVRDetailedLogRecord& CQVRDetailedLogRecord::operator=(const CQVRDetailedLogRecord& other)
{
    if (this != &other) {
        CQVRLogRecord::operator=(other);
        m_ulLine = other.m_ulLine;
        setString(m_szClassName, other.m_szClassName);
        setString(m_szMethodName, other.m_szMethodName);
        setString(m_szSourceFile, other.m_szSourceFile);
    }
    return *this;
}

CQVRDetailedLogRecord::~CQVRDetailedLogRecord()
{
    freeString(m_szClassName);
    freeString(m_szMethodName);
    freeString(m_szSourceFile);
}
