// The simple log record. Its text fields own their copies; a text that cannot
// be copied leaves its field null, and the entry is written without it.
#include "diagnostics/qvr_log_record.h"

#include <new>

// Texts of this length or more are refused, so that a length with bit 30 set
// can never reach an allocation.
static const uint32_t kTooLong = 0x40000000u;

CQVRLogRecord::CQVRLogRecord()
    : m_ulLevel(0), m_szMessage(nullptr), m_szApplication(nullptr), m_szOutputPath(nullptr), m_ulResultKind(0),
      m_ulValue(0)
{
}

CQVRLogRecord::CQVRLogRecord(const CQVRLogRecord& other)
    : m_ulLevel(other.m_ulLevel), m_szMessage(nullptr), m_szApplication(nullptr), m_szOutputPath(nullptr),
      m_ulResultKind(other.m_ulResultKind), m_ulValue(other.m_ulValue)
{
    setString(m_szMessage, other.m_szMessage);
    setString(m_szApplication, other.m_szApplication);
    setString(m_szOutputPath, other.m_szOutputPath);
}

CQVRLogRecord& CQVRLogRecord::operator=(const CQVRLogRecord& other)
{
    if (this != &other) {
        m_ulLevel = other.m_ulLevel;
        m_ulResultKind = other.m_ulResultKind;
        m_ulValue = other.m_ulValue;
        setString(m_szMessage, other.m_szMessage);
        setString(m_szApplication, other.m_szApplication);
        setString(m_szOutputPath, other.m_szOutputPath);
    }
    return *this;
}

CQVRLogRecord::~CQVRLogRecord()
{
    freeString(m_szMessage);
    freeString(m_szApplication);
    freeString(m_szOutputPath);
}

bool CQVRLogRecord::setString(WCHAR*& szField, const WCHAR* szText)
{
    // The text may be the field's own; copy before freeing.
    WCHAR* szCopy = nullptr;
    bool bResult = false;
    if (szText != nullptr) {
        uint32_t ulLength = 0;
        while (szText[ulLength] != 0 && ulLength < kTooLong)
            ++ulLength;
        if (ulLength != 0 && (ulLength & kTooLong) == 0) {
            szCopy = new (std::nothrow) WCHAR[ulLength + 1];
            if (szCopy != nullptr) {
                for (uint32_t i = 0; i < ulLength; ++i)
                    szCopy[i] = szText[i];
                szCopy[ulLength] = 0;
                bResult = true;
            }
        }
    }
    freeString(szField);
    szField = szCopy;
    return bResult;
}

void CQVRLogRecord::freeString(WCHAR*& szField)
{
    delete[] szField;
    szField = nullptr;
}
