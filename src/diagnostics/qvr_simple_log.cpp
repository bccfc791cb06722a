// An entry with a simple record.
#include "diagnostics/qvr_simple_log.h"

CQVRSimpleLog::CQVRSimpleLog(uint32_t ulLevel, const WCHAR* szMessage, uint32_t ulValue, uint32_t ulResultKind,
                             bool bWriteNow, bool bWriteOnDestroy, uint16_t usOutputTypes, const WCHAR* szApplication,
                             const WCHAR* szOutputPath)
    : CQVRLogging(bWriteOnDestroy, usOutputTypes)
{
    m_record.m_ulLevel = ulLevel;
    m_record.m_ulValue = ulValue;
    m_record.m_ulResultKind = ulResultKind;
    m_record.m_szMessage.set(szMessage);
    m_record.m_szApplication.set(szApplication);
    m_record.m_szOutputPath.set(szOutputPath);
    if (bWriteNow)
        writeSequence(m_record);
}

CQVRSimpleLog::~CQVRSimpleLog()
{
    if (m_bLogOnDestroy)
        writeSequence(m_record);
}

bool CQVRSimpleLog::log() { return writeSequence(m_record); }
