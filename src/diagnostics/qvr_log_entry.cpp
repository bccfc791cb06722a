#include "diagnostics/qvr_log_entry.h"

_CQVRLogEntry::_CQVRLogEntry(const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile,
                             uint32_t ulLine, uint16_t usOutputTypes, bool bWriteNow, bool bWriteOnDestroy)
    : CQVRDetailedLog(llEntry, nullptr, 0, rkPassFail, szClassName, szMethodName, szSourceFile, ulLine, bWriteNow,
                      bWriteOnDestroy, usOutputTypes)
{
}

// The base destructor's write on destroy then produces the EXIT record.
_CQVRLogEntry::~_CQVRLogEntry() { m_record.m_ulLevel = llExit; }
