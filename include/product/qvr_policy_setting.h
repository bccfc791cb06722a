// One configuration value of a product, which may be set at any of the
// policy locations: its value name, the names that fill a location's key
// template, an optional subkey, its default, and the last value read or
// written through this object. The dword and string settings read and write
// it at one location.
#ifndef QVR_POLICY_SETTING_H
#define QVR_POLICY_SETTING_H

#include "core/qvr_string_list.h"
#include "core/qvr_wchar_string.h"
#include "diagnostics/qvr_log_exception1.h"
#include "product/qvr_policy_search_policy.h"
#include "qvr_guard.h"

#include <cstdint>

inline constexpr QVRSourceFile kQVRPolicySettingFile = {
    QVR_T("CQVRPolicySetting"), QVR_T("include\\qvr_policy_setting.h"), QVRErrorSource::LastError};

// The placeholder of a substitution that names the value itself.
inline constexpr const WCHAR* kQVRValueNamePlaceholder = QVR_T("%VALUE_NAME%");

// The only source of a value: the registry.
enum QVRPolicySource : uint32_t { psRegistry = 1 };
enum QVRPolicyType : uint32_t { ptDword = 1, ptString = 2 };

// The text before the first "=" and the text after the last one; false
// without an "=".
inline bool qvrSplitSubstitution(const CQVRWCharString& substitution, CQVRWCharString& before, CQVRWCharString& after)
{
    static const WCHAR* const kEquals = QVR_T("=");
    if (!substitution.isValid() || !substitution.contains(kEquals))
        return false;
    return substitution.extractPart(before, kEquals, 1, CQVRWCharString::pmForward, false) &&
           substitution.extractPart(after, kEquals, 1, CQVRWCharString::pmBackward, false);
}

// The failure of a setting whose value is not kept in the registry: written,
// never thrown, with the file and line of the method that met it.
inline void qvrLogUnsupportedPolicySource(const WCHAR* szFile, uint32_t ulLine)
{
    CQVRLogException1 unsupported(QVR_T("Policy source is not supported."), 0, szFile, ulLine);
}

template <class T> class CQVRPolicySetting : public CQVRPolicyLocations {
public:
    CQVRPolicySetting()
        : m_ulSource(psRegistry), m_ulType(ptDword), m_Default(), m_ulID(0), m_bWrite32BitView(false), m_bCached(false),
          m_Value()
    {
        trace(QVR_T("CQVRPolicySetting"), __LINE__);
    }

    CQVRPolicySetting(const CQVRWCharString& vendorName, const CQVRWCharString& productName, uint32_t ulType,
                      uint32_t ulID, uint32_t ulSource, const CQVRWCharString& version,
                      const CQVRWCharString& valueName, const CQVRWCharString& subKey, const T& defaultValue,
                      bool bWrite32BitView)
        : m_ulSource(ulSource), m_ulType(ulType), m_strVendorName(vendorName), m_strProductName(productName),
          m_strVersion(version), m_strValueName(valueName), m_strSubKey(subKey), m_Default(defaultValue), m_ulID(ulID),
          m_bWrite32BitView(bWrite32BitView), m_bCached(false), m_Value(defaultValue)
    {
        trace(QVR_T("CQVRPolicySetting"), __LINE__);
    }

    CQVRPolicySetting(const CQVRPolicySetting& other) : CQVRPolicyLocations()
    {
        trace(QVR_T("CQVRPolicySetting"), __LINE__);
        *this = other;
    }

    // Not virtual: settings are held by value.
    ~CQVRPolicySetting() { trace(QVR_T("~CQVRPolicySetting"), __LINE__); }

    // A copy holds the source's value with its cached flag, so it never
    // claims a cached value it does not hold.
    CQVRPolicySetting& operator=(const CQVRPolicySetting& other)
    {
        qvrTraced(kQVRPolicySettingFile, QVR_T("operator="), __LINE__, rkPassFail, [&] {
            if (&other == this)
                return true;
            m_ulSource = other.m_ulSource;
            m_ulType = other.m_ulType;
            m_strVendorName = other.m_strVendorName;
            m_strProductName = other.m_strProductName;
            m_strVersion = other.m_strVersion;
            m_strValueName = other.m_strValueName;
            m_strSubKey = other.m_strSubKey;
            m_Default = other.m_Default;
            m_ulID = other.m_ulID;
            m_bWrite32BitView = other.m_bWrite32BitView;
            m_bCached = other.m_bCached;
            m_Value = other.m_Value;
            return true;
        });
        return *this;
    }

    // The definition alone: the cached value takes no part.
    bool operator==(const CQVRPolicySetting& other) const
    {
        return qvrTraced(kQVRPolicySettingFile, QVR_T("operator=="), __LINE__, rkLogical, [&] {
            return m_ulID == other.m_ulID && m_ulSource == other.m_ulSource && m_ulType == other.m_ulType &&
                   m_strVendorName == other.m_strVendorName && m_strProductName == other.m_strProductName &&
                   m_strVersion == other.m_strVersion && m_strValueName == other.m_strValueName &&
                   m_strSubKey == other.m_strSubKey && m_Default == other.m_Default &&
                   m_bWrite32BitView == other.m_bWrite32BitView;
        });
    }
    bool operator!=(const CQVRPolicySetting& other) const
    {
        return qvrTraced(kQVRPolicySettingFile, QVR_T("operator!="), __LINE__, rkLogical,
                         [&] { return !(*this == other); });
    }
    // Ordered by ID alone.
    bool operator<(const CQVRPolicySetting& other) const
    {
        return qvrTraced(kQVRPolicySettingFile, QVR_T("operator<"), __LINE__, rkLogical,
                         [&] { return m_ulID < other.m_ulID; });
    }
    bool operator>(const CQVRPolicySetting& other) const
    {
        return qvrTraced(kQVRPolicySettingFile, QVR_T("operator>"), __LINE__, rkLogical,
                         [&] { return m_ulID > other.m_ulID; });
    }

    virtual T& getDefault() { return m_Default; }
    // Reads the value at one location into value.
    virtual bool getPolicy(PolicyLocation location, T& value, bool bUseCached, const CQVRWCharString& substitution) = 0;
    virtual CQVRWCharString& getSubKeyName() { return m_strSubKey; }

    // The value name, unless one of the substitutions reads
    // "%VALUE_NAME%=<name>" with a name after it.
    virtual CQVRWCharString getValueLocation(CQVRStringList& substitutions)
    {
        CQVRWCharString result = m_strValueName;
        qvrTraced(kQVRPolicySettingFile, QVR_T("getValueLocation"), __LINE__, rkPassFail, [&] {
            for (bool bMore = substitutions.moveFirst(); bMore; bMore = substitutions.moveNext()) {
                CQVRWCharString* pSubstitution = nullptr;
                CQVRWCharString before;
                CQVRWCharString after;
                if (!substitutions.getCurrent(pSubstitution) || pSubstitution->getLength() == 0 ||
                    !qvrSplitSubstitution(*pSubstitution, before, after) ||
                    before != CQVRWCharString(kQVRValueNamePlaceholder))
                    continue;
                if (after.getLength() != 0)
                    result = after;
                break;
            }
            return true;
        });
        return result;
    }

    virtual CQVRWCharString& getValueName() { return m_strValueName; }
    virtual void setDefault(const T& defaultValue) { m_Default = defaultValue; }
    // Writes value at one location; with bVolatile the key lasts until the
    // next restart.
    virtual bool setPolicy(PolicyLocation location, const T& value, bool bCreateKey,
                           const CQVRWCharString& substitution, bool bVolatile) = 0;
    virtual void setSubKeyName(const CQVRWCharString& subKey) { m_strSubKey = subKey; }
    virtual void setValueName(const CQVRWCharString& valueName) { m_strValueName = valueName; }

    // The key path of the value at a location: the template filled with
    // vendor and product names, the subkey appended, and one substitution
    // "<old>=<new>" applied to the first <old> of the path (only when there
    // is a subkey). Empty for a source other than the registry.
    CQVRWCharString getValueLocation(PolicyLocation location, const CQVRWCharString& substitution)
    {
        CQVRWCharString result;
        qvrTraced(kQVRPolicySettingFile, QVR_T("getValueLocation"), __LINE__, rkPassFail, [&]() -> bool {
            // No boolean answer: the trace stores a pass, the path stays empty.
            if (!fromRegistry(kQVRPolicySettingFile, __LINE__))
                return true;
            result = CQVRPolicySearchPolicy::getKeyTemplate(location);
            if (!result.replace(QVR_T("%VENDOR_NAME%"), m_strVendorName, 1, CQVRWCharString::ssmOccur) ||
                !result.replace(QVR_T("%PRODUCT_NAME%"), m_strProductName, 1, CQVRWCharString::ssmOccur))
                return true;
            if (m_strSubKey.getLength() == 0)
                return true;
            if (!m_strSubKey.beginsWith(QVR_T("\\")))
                result += CQVRWCharString(QVR_T("\\"));
            result += m_strSubKey;
            CQVRWCharString before;
            CQVRWCharString after;
            if (substitution.getLength() != 0 && qvrSplitSubstitution(substitution, before, after) &&
                before != CQVRWCharString(kQVRValueNamePlaceholder))
                result.replace(before, after, 1, CQVRWCharString::ssmOccur);
            return true;
        });
        return result;
    }

    // Whether the value is kept in the registry, the only source there is;
    // the failure is written when it is not.
    bool fromRegistry(const WCHAR* szFile, uint32_t ulLine) const
    {
        if (m_ulSource == psRegistry)
            return true;
        qvrLogUnsupportedPolicySource(szFile, ulLine);
        return false;
    }

    // The cached value, when the caller takes one and one is held.
    bool takeCached(bool bUseCached, T& value) const
    {
        if (!bUseCached || !m_bCached)
            return false;
        value = m_Value;
        return true;
    }

    // A value read or written becomes the cached one.
    void keep(const T& value)
    {
        m_Value = value;
        m_bCached = true;
    }

    uint32_t m_ulSource;
    uint32_t m_ulType;
    CQVRWCharString m_strVendorName;
    CQVRWCharString m_strProductName;
    CQVRWCharString m_strVersion;
    CQVRWCharString m_strValueName;
    CQVRWCharString m_strSubKey;
    T m_Default;
    uint32_t m_ulID;
    bool m_bWrite32BitView;
    bool m_bCached;
    T m_Value;

private:
    static void trace(const WCHAR* szMethod, uint32_t ulLine)
    {
        qvrTracedPass(kQVRPolicySettingFile, szMethod, ulLine);
    }
};

#endif
