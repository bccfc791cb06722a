// The simple log record: what happened, without source information.
#ifndef QVR_LOG_RECORD_H
#define QVR_LOG_RECORD_H

#include "qvr_platform.h"

#include <cstdint>

struct CQVRLogRecord {
    uint32_t m_ulLevel;
    WCHAR* m_szMessage;
    WCHAR* m_szApplication;
    WCHAR* m_szOutputPath;
    uint32_t m_ulResultKind;
    uint32_t m_ulValue;

    CQVRLogRecord();
    CQVRLogRecord(const CQVRLogRecord& other);
    CQVRLogRecord& operator=(const CQVRLogRecord& other);
    ~CQVRLogRecord();

    // Replaces an owned text field with a fresh copy. A null or empty text,
    // or one of 0x40000000 characters or more, leaves the field null and
    // gives false.
    static bool setString(WCHAR*& szField, const WCHAR* szText);
    static void freeString(WCHAR*& szField);
};

#endif
