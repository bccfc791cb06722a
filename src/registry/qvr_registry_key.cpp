// A registry key: opening and closing, creation, metrics, enumeration, the
// multi-value query and the typed collections built on it, and export and
// import through hive or registry text files.
#include "registry/qvr_registry_key.h"

#include "diagnostics/entries/qvr_bad_arg_exception.h"
#include "diagnostics/entries/qvr_mem_alloc_exception.h"
#include "diagnostics/entries/qvr_reg_close_key_warning.h"
#include "diagnostics/entries/qvr_reg_enum_key_exception.h"
#include "diagnostics/entries/qvr_reg_enum_value_exception.h"
#include "diagnostics/entries/qvr_reg_key_already_closed_warning.h"
#include "diagnostics/entries/qvr_reg_key_already_open_warning.h"
#include "diagnostics/entries/qvr_reg_key_create_exception.h"
#include "diagnostics/entries/qvr_reg_key_init_exception.h"
#include "diagnostics/entries/qvr_reg_query_info_key_exception.h"
#include "diagnostics/entries/qvr_reg_query_multiple_values_exception.h"
#include "diagnostics/entries/qvr_reg_restore_key_exception.h"
#include "diagnostics/entries/qvr_reg_save_key_exception.h"
#include "diagnostics/qvr_log_debug.h"
#include "qvr_guard.h"
#include "registry/qvr_registry_file.h"
#include "registry/qvr_registry_multi_string.h"
#include "registry/qvr_registry_string_expand.h"
#include "system/qvr_windows_process.h"

#include <memory>
#include <new>

static const QVRSourceFile kThisFile = {QVR_T("CQVRRegistryKey"), QVR_T("qvr_registry_key.cpp"),
                                        QVRErrorSource::LastError};
// The enumerations name their class this way in their entries.
static const WCHAR* const kEnumClassName = QVR_T("CQVRRegistrykey");

CQVRRegistryKey::CQVRRegistryKey(HKEY hRootKey, const CQVRWCharString& strKeyPath, REGSAM samAccess,
                                 bool bCreateIfMissing, DWORD ulOptions)
    : m_samAccess(samAccess), m_ulOptions(ulOptions), m_bCreateIfMissing(bCreateIfMissing), m_bOpen(false),
      m_hRootKey(hRootKey)
{
    // The assignment logs running out of memory but cannot report it; a path
    // copied short would name another key, the root itself when empty.
    if (!qvrTry(kThisFile, __LINE__, [&] { m_strKeyPath = CQVRWCharString(strKeyPath); }) ||
        !(m_strKeyPath == strKeyPath))
        throw CQVRRegKeyInitException(kThisFile, __LINE__);
}

CQVRRegistryKey::CQVRRegistryKey(const CQVRRegistryKey& other)
    : m_samAccess(other.m_samAccess), m_ulOptions(other.m_ulOptions), m_bCreateIfMissing(other.m_bCreateIfMissing),
      m_bOpen(false), m_hRootKey(other.m_hRootKey)
{
    if (!qvrTry(kThisFile, __LINE__, [&] { m_strKeyPath = CQVRWCharString(other.m_strKeyPath); }) ||
        !(m_strKeyPath == other.m_strKeyPath))
        throw CQVRRegKeyInitException(kThisFile, __LINE__);
}

CQVRRegistryKey::~CQVRRegistryKey()
{
    if (m_bOpen)
        close();
}

CQVRRegistryKey& CQVRRegistryKey::operator=(const CQVRRegistryKey& other)
{
    if (&other != this) {
        leaveOpenState();
        copyName(other);
    }
    return *this;
}

void CQVRRegistryKey::copyName(const CQVRRegistryKey& other)
{
    m_hRootKey = other.m_hRootKey;
    m_samAccess = other.m_samAccess;
    m_ulOptions = other.m_ulOptions;
    m_bCreateIfMissing = other.m_bCreateIfMissing;
    m_strKeyPath = other.m_strKeyPath;
}

void CQVRRegistryKey::setAccess(REGSAM samAccess)
{
    leaveOpenState();
    m_samAccess = samAccess;
}

void CQVRRegistryKey::closeIfOpen()
{
    if (m_bOpen)
        close();
}

// A key renamed or given a new mask must not go on with the old handle, so
// it ends closed even when the close fails (already written by close()).
void CQVRRegistryKey::leaveOpenState()
{
    if (m_bOpen && !close()) {
        m_hKey.close();
        m_bOpen = false;
    }
}

bool CQVRRegistryKey::ensureOpen() { return m_bOpen || open(); }

// The one place where this key reaches RegOpenKeyExW; the view rule of the
// 64-bit build applies here and in create().
bool CQVRRegistryKey::openHandle()
{
    const LONG lResult =
        RegOpenKeyExW(m_hRootKey, m_strKeyPath.getText(), 0, qvrRegistryView(m_samAccess), m_hKey.receive());
    if (lResult == ERROR_FILE_NOT_FOUND || lResult == ERROR_INVALID_HANDLE)
        return false;
    m_bOpen = true;
    return true;
}

bool CQVRRegistryKey::open()
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (m_bOpen) {
            CQVRRegKeyAlreadyOpenWarning warning(m_strKeyPath.getText(), kThisFile.szClassName, QVR_T("open"),
                                                 kThisFile, __LINE__);
            close();
        }
        // Every answer but these two counts as opened, access denied too:
        // callers have always been told so.
        if (openHandle())
            return true;
        if (!m_bCreateIfMissing || !create())
            return false;
        const LONG lResult =
            RegOpenKeyExW(m_hRootKey, m_strKeyPath.getText(), 0, qvrRegistryView(m_samAccess), m_hKey.receive());
        m_bOpen = lResult == ERROR_SUCCESS;
        return m_bOpen;
    });
}

bool CQVRRegistryKey::close()
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!m_bOpen) {
            CQVRRegKeyAlreadyClosedWarning warning(m_strKeyPath.getText(), kThisFile.szClassName, QVR_T("close"),
                                                   kThisFile, __LINE__);
            return true;
        }
        const LONG lResult = RegCloseKey(m_hKey);
        if (lResult != ERROR_SUCCESS)
            throw CQVRRegCloseKeyWarning(m_strKeyPath.getText(), static_cast<uint32_t>(lResult), kThisFile.szClassName,
                                         QVR_T("close"), kThisFile, __LINE__);
        // Closed by the call above: the owner only forgets it.
        m_hKey.release();
        m_bOpen = false;
        return true;
    });
}

bool CQVRRegistryKey::create()
{
    const bool bResult = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        closeIfOpen();
        const LONG lResult = RegCreateKeyExW(m_hRootKey, m_strKeyPath.getText(), 0, nullptr, m_ulOptions,
                                             qvrRegistryView(m_samAccess), nullptr, m_hKey.receive(), nullptr);
        if (lResult != ERROR_SUCCESS)
            throw CQVRRegKeyCreateException(m_strKeyPath.getText(), static_cast<uint32_t>(lResult),
                                            kThisFile.szClassName, QVR_T("create"), kThisFile, __LINE__);
        m_bOpen = true;
        return true;
    });
    closeIfOpen();
    return bResult;
}

bool CQVRRegistryKey::exists()
{
    const bool bResult = open();
    closeIfOpen();
    return bResult;
}

bool CQVRRegistryKey::queryInfo(InfoItem item, DWORD& ulValue)
{
    const bool bResult = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!ensureOpen())
            return false;
        DWORD ulItem = 0;
        DWORD* const pItem = &ulItem;
        const LONG lResult =
            RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, nullptr, item == iiMaxSubKeyLength ? pItem : nullptr,
                             nullptr, nullptr, item == iiMaxValueNameLength ? pItem : nullptr,
                             item == iiMaxValueDataLength ? pItem : nullptr, nullptr, nullptr);
        if (lResult != ERROR_SUCCESS)
            throw CQVRRegQueryInfoKeyException(m_strKeyPath.getText(), static_cast<uint32_t>(lResult), kThisFile,
                                               __LINE__);
        ulValue = ulItem;
        return true;
    });
    closeIfOpen();
    return bResult;
}

bool CQVRRegistryKey::getMaxSubKeyLength(DWORD& ulLength) { return queryInfo(iiMaxSubKeyLength, ulLength); }

bool CQVRRegistryKey::getMaxValueNameLength(DWORD& ulLength) { return queryInfo(iiMaxValueNameLength, ulLength); }

bool CQVRRegistryKey::getMaxValueDataLength(DWORD& ulLength) { return queryInfo(iiMaxValueDataLength, ulLength); }

bool CQVRRegistryKey::getKeyName(CQVRWCharString& name, bool bFullPath) const
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        uint32_t ulPos = 0;
        if (bFullPath || !m_strKeyPath.contains(QVR_T("\\"))) {
            qvrCopyWhole(name, m_strKeyPath);
            return true;
        }
        if (!m_strKeyPath.find(QVR_T("\\"), 1, CQVRWCharString::pmBackward, ulPos) ||
            !m_strKeyPath.getCutLeft(name, ulPos + 1))
            return false;
        // A cut that ran out of memory leaves less than the last part.
        if (name.getLength() != m_strKeyPath.getLength() - ulPos - 1)
            throw std::bad_alloc();
        return true;
    });
}

bool CQVRRegistryKey::getSubKey(CQVRRegistryKey& subKey, DWORD ulIndex)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        DWORD ulMaxLength = 0;
        if (!getMaxSubKeyLength(ulMaxLength) || !ensureOpen())
            return false;
        CQVRBuffer<unsigned short> name(ulMaxLength + 1);
        DWORD ulLength = ulMaxLength + 1;
        const LONG lResult =
            RegEnumKeyExW(m_hKey, ulIndex, qvrWide(name.getBuffer()), &ulLength, nullptr, nullptr, nullptr, nullptr);
        if (lResult == ERROR_NO_MORE_ITEMS)
            return false;
        if (lResult != ERROR_SUCCESS)
            throw CQVRRegEnumKeyException(m_strKeyPath.getText(), static_cast<uint32_t>(lResult), kEnumClassName,
                                          QVR_T("enumSubKeys"), kThisFile, __LINE__);
        const CQVRWCharString subName(name);
        // Below the root itself the path is the name alone: a leading
        // backslash names no key. A path cut short would name the parent, a
        // sibling or the root instead.
        CQVRWCharString path;
        qvrCopyWhole(path, m_strKeyPath);
        if (m_strKeyPath.getLength() != 0)
            qvrAppendWhole(path, CQVRWCharString(QVR_T("\\")));
        qvrAppendWhole(path, subName);
        subKey = CQVRRegistryKey(m_hRootKey, path, m_samAccess, false, m_ulOptions);
        if (!(subKey.m_strKeyPath == path))
            throw std::bad_alloc();
        return true;
    });
}

bool CQVRRegistryKey::enumSubKeys(CQVRStringList& names)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        names.removeAll();
        CQVRRegistryKey scratch(m_hRootKey, CQVRWCharString(), KEY_ALL_ACCESS, false, 0);
        uint32_t ulAppended = 0;
        for (DWORD ulIndex = 0;; ++ulIndex) {
            CQVRWCharString name;
            if (!getSubKey(scratch, ulIndex) || !scratch.getKeyName(name, false) || name.getLength() == 0 ||
                !names.add(name, ulIndex + 1))
                break;
            ++ulAppended;
        }
        scratch.closeIfOpen();
        return ulAppended == names.getCount();
    });
}

bool CQVRRegistryKey::enumValueNames(CQVRStringList& names)
{
    const bool bResult = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        names.removeAll();
        DWORD ulMaxLength = 0;
        if (!getMaxValueNameLength(ulMaxLength) || !ensureOpen())
            return false;
        for (DWORD ulIndex = 0;; ++ulIndex) {
            CQVRBuffer<unsigned short> name(ulMaxLength + 1);
            DWORD ulLength = ulMaxLength + 1;
            const LONG lResult = RegEnumValueW(m_hKey, ulIndex, qvrWide(name.getBuffer()), &ulLength, nullptr, nullptr,
                                               nullptr, nullptr);
            if (lResult == ERROR_NO_MORE_ITEMS)
                break;
            if (lResult != ERROR_SUCCESS)
                throw CQVRRegEnumValueException(m_strKeyPath.getText(), static_cast<uint32_t>(lResult), kEnumClassName,
                                                QVR_T("enumValueNames"), kThisFile, __LINE__);
            const CQVRWCharString text(name);
            if (text.getLength() != 0 && !names.add(text, 0))
                throw std::bad_alloc();
        }
        return names.getCount() != 0;
    });
    closeIfOpen();
    return bResult;
}

bool CQVRRegistryKey::queryMultipleValues(CQVRValentList& values)
{
    const bool bResult = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        CQVRStringList names;
        DWORD ulMaxData = 0;
        if (!enumValueNames(names) || !getMaxValueDataLength(ulMaxData))
            return false;
        const uint32_t ulCount = names.getCount();
        std::unique_ptr<VALENTW[]> pValent(new (std::nothrow) VALENTW[ulCount]());
        if (!pValent)
            throw CQVRMemAllocException(QVR_T("pValent"), kThisFile, __LINE__);
        // Private copies of the names, which the records point into.
        std::unique_ptr<CQVRWCharString[]> copies(new (std::nothrow) CQVRWCharString[ulCount]);
        if (!copies)
            throw CQVRMemAllocException(QVR_T("pValent"), kThisFile, __LINE__);
        names.moveFirst();
        for (uint32_t i = 0; i < ulCount; ++i, names.moveNext()) {
            CQVRWCharString* pName = nullptr;
            names.getCurrent(pName);
            if (!qvrTry(kThisFile, __LINE__, [&] { copies[i] = CQVRWCharString(*pName); }) || !copies[i].isValid())
                CQVRLogDebug debug(QVR_T("pValent.ve_valuename = NULL"));
            pValent[i].ve_valuename = qvrWide(copies[i].getBuffer());
        }
        const uint64_t ullChars = static_cast<uint64_t>(ulCount) * (static_cast<uint64_t>(ulMaxData) + 1);
        if (ullChars > 0x7FFFFFFFu)
            throw CQVRMemAllocException(QVR_T("lpValueBuf"), kThisFile, __LINE__);
        CQVRBuffer<unsigned short> data(static_cast<uint32_t>(ullChars));
        if (!ensureOpen())
            return false;
        DWORD ulBytes = data.getSize() * sizeof(WCHAR);
        const LONG lResult =
            RegQueryMultipleValuesW(m_hKey, pValent.get(), ulCount, qvrWide(data.getBuffer()), &ulBytes);
        if (lResult != ERROR_SUCCESS)
            throw CQVRRegQueryMultipleValuesException(m_strKeyPath.getText(), static_cast<uint32_t>(lResult), kThisFile,
                                                      __LINE__);
        values.removeAll();
        for (uint32_t i = 0; i < ulCount; ++i)
            if (!values.add(CQVRRegistryValent(pValent[i]), i))
                throw std::bad_alloc();
        return true;
    });
    closeIfOpen();
    return bResult;
}

namespace {

// A key-wide collection: the key's values of one type, each made into a pair,
// keyed by their count among those taken. extra(valent, pair) adds what a
// collection does beyond the pair.
template <class Pair, class Extra>
bool collect(CQVRRegistryKey& key, CQVRDblList<CQVRObjNode<Pair>>& pairs, DWORD ulType, Extra extra)
{
    pairs.removeAll();
    CQVRValentList values;
    if (!key.queryMultipleValues(values))
        return false;
    uint32_t ulTaken = 0;
    for (bool bMore = values.moveFirst(); bMore; bMore = values.moveNext()) {
        CQVRRegistryValent* pValent = nullptr;
        if (!values.getCurrent(pValent) || pValent->m_ulType != ulType)
            continue;
        Pair pair;
        CQVRRegistryKey::makePair(*pValent, pair);
        extra(*pValent, pair);
        // The list keeps a copy of the pair, and a copy of a list can come
        // out short without saying so.
        Pair* pAdded = nullptr;
        if (!pairs.add(pair, ulTaken) || !pairs.findKey(ulTaken) || !pairs.getCurrent(pAdded) || !(*pAdded == pair))
            throw std::bad_alloc();
        ++ulTaken;
    }
    return true;
}

template <class Pair> bool collect(CQVRRegistryKey& key, CQVRDblList<CQVRObjNode<Pair>>& pairs, DWORD ulType)
{
    return collect(key, pairs, ulType, [](const CQVRRegistryValent&, Pair&) {});
}

}  // namespace

void CQVRRegistryKey::makePair(const CQVRRegistryValent& valent, CQVRRegistryStringValue& pair)
{
    qvrCopyWhole(pair.m_strName, valent.m_strName);
    const CQVRBuffer<unsigned short> units = valent.m_Data.toWideBuffer();
    if (units.getSize() != (valent.m_Data.getSize() + 1) / 2)
        throw std::bad_alloc();
    qvrCopyWhole(pair.m_strValue, CQVRWCharString(units));
}

void CQVRRegistryKey::makePair(const CQVRRegistryValent& valent, CQVRRegistryDwordValue& pair)
{
    qvrCopyWhole(pair.m_strName, valent.m_strName);
    pair.m_ulValue = 0;
    const CQVRBuffer<unsigned char>& data = valent.m_Data;
    if (data.getSize() < sizeof(uint32_t)) {
        // Four bytes read from a shorter buffer would run past it.
        CQVRBadArgException overrun(QVR_T("buffer"), QVR_T("buffer + offset will overrun this buffer"), kThisFile,
                                    __LINE__);
        return;
    }
    const unsigned char* p = data.getBuffer();
    pair.m_ulValue = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void CQVRRegistryKey::makePair(const CQVRRegistryValent& valent, CQVRRegistryMultiStringValue& pair)
{
    qvrCopyWhole(pair.m_strName, valent.m_strName);
    if (!CQVRRegistryMultiString::split(valent.m_Data, pair.m_lstValue))
        throw std::bad_alloc();
}

void CQVRRegistryKey::makePair(const CQVRRegistryValent& valent, CQVRRegistryBinaryValue& pair)
{
    qvrCopyWhole(pair.m_strName, valent.m_strName);
    qvrCopyWhole(pair.m_Data, valent.m_Data);
}

bool CQVRRegistryKey::getStringValues(CQVRStringValueList& values)
{
    return qvrGuard(false, kThisFile, __LINE__, [&] { return collect(*this, values, REG_SZ); });
}

bool CQVRRegistryKey::getExpandStringValues(CQVRStringValueList& values, bool bExpand)
{
    return qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        return collect(*this, values, REG_EXPAND_SZ,
                       [&](const CQVRRegistryValent& valent, CQVRRegistryStringValue& pair) {
                           if (!bExpand)
                               return;
                           // The same value again: in this key's view, if it names one.
                           const REGSAM samView = m_samAccess & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
                           CQVRRegistryStringExpand value(m_hRootKey, m_strKeyPath, valent.m_strName,
                                                          KEY_READ | samView, false, 0);
                           CQVRWCharString expanded;
                           if (value.getValue(expanded, false, true))
                               pair.m_strValue = expanded;
                       });
    });
}

bool CQVRRegistryKey::getDwordValues(CQVRDwordValueList& values)
{
    return qvrGuard(false, kThisFile, __LINE__, [&] { return collect(*this, values, REG_DWORD); });
}

bool CQVRRegistryKey::getMultiStringValues(CQVRMultiStringValueList& values)
{
    return qvrGuard(false, kThisFile, __LINE__, [&] { return collect(*this, values, REG_MULTI_SZ); });
}

bool CQVRRegistryKey::getBinaryValues(CQVRBinaryValueList& values)
{
    return qvrGuard(false, kThisFile, __LINE__, [&] { return collect(*this, values, REG_BINARY); });
}

namespace {

// The privilege a hive file needs, enabled in the process's own token.
bool enablePrivilege(const WCHAR* szPrivilege)
{
    HANDLE hNoToken = nullptr;
    CQVRWindowsProcess process;
    return process.setPrivilege(CQVRWCharString(szPrivilege), true, &hNoToken);
}

}  // namespace

bool CQVRRegistryKey::exportKey(const CQVRWCharString& fileName, DWORD ulFormat, bool bOverwrite)
{
    const bool bResult = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!fileName.isValid())
            throw CQVRBadArgException(QVR_T("szExportFileName"), QVR_T("filename must be non-null"), kThisFile,
                                      __LINE__);
        if (ulFormat == kTextFileFormat)
            return CQVRRegistryFile(fileName).exportKeyToFile(m_hRootKey, m_strKeyPath, bOverwrite);
        if (bOverwrite)
            DeleteFileW(fileName.getText());
        if (!enablePrivilege(QVR_T("SeBackupPrivilege")) || !ensureOpen())
            return false;
        const LONG lResult = RegSaveKeyW(m_hKey, fileName.getText(), nullptr);
        if (lResult != ERROR_SUCCESS)
            throw CQVRRegSaveKeyException(m_strKeyPath.getText(), static_cast<uint32_t>(lResult), nullptr, nullptr,
                                          kThisFile, __LINE__);
        return true;
    });
    closeIfOpen();
    return bResult;
}

bool CQVRRegistryKey::importKey(const CQVRWCharString& fileName, DWORD ulFlags)
{
    const bool bResult = qvrGuard(false, kThisFile, __LINE__, [&]() -> bool {
        if (!fileName.isValid())
            throw CQVRBadArgException(QVR_T("szImportFileName"), QVR_T("filename must be non-null"), kThisFile,
                                      __LINE__);
        if (ulFlags == kTextFileImport)
            return CQVRRegistryFile(fileName).importFromFile();
        if (!enablePrivilege(QVR_T("SeRestorePrivilege")) || !ensureOpen())
            return false;
        const LONG lResult = RegRestoreKeyW(m_hKey, fileName.getText(), ulFlags);
        if (lResult != ERROR_SUCCESS)
            throw CQVRRegRestoreKeyException(m_strKeyPath.getText(), static_cast<uint32_t>(lResult), nullptr, nullptr,
                                             kThisFile, __LINE__);
        return true;
    });
    closeIfOpen();
    return bResult;
}
