// An entry with a detailed record.
#include "diagnostics/qvr_detailed_log.h"

CQVRDetailedLog::CQVRDetailedLog(uint32_t ulLevel, const WCHAR* szMessage, uint32_t ulValue, uint32_t ulResultKind,
                                 const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile,
                                 uint32_t ulLine, bool bWriteNow, bool bWriteOnDestroy, uint16_t usOutputTypes,
                                 const WCHAR* szApplication, const WCHAR* szOutputPath)
    : CQVRLogging(bWriteOnDestroy, usOutputTypes)
{
    m_record.m_ulLevel = ulLevel;
    m_record.m_ulValue = ulValue;
    m_record.m_ulResultKind = ulResultKind;
    m_record.m_ulLine = ulLine;
    m_record.m_szMessage.set(szMessage);
    m_record.m_szApplication.set(szApplication);
    m_record.m_szOutputPath.set(szOutputPath);
    m_record.m_szClassName.set(szClassName);
    m_record.m_szMethodName.set(szMethodName);
    m_record.m_szSourceFile.set(szSourceFile);
    if (bWriteNow)
        writeSequence(m_record);
}

CQVRDetailedLog::~CQVRDetailedLog()
{
    if (m_bLogOnDestroy)
        writeSequence(m_record);
}

bool CQVRDetailedLog::log() { return writeSequence(m_record); }
