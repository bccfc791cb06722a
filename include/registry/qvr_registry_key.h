// One registry key, named by a predefined root and a path. The key opens
// lazily and most operations close it again when they end, so an object can
// be kept without holding a handle. Failures are written to the log and
// reported as false; only the constructor throws (CQVRRegKeyInitException).
#ifndef QVR_REGISTRY_KEY_H
#define QVR_REGISTRY_KEY_H

#include "core/qvr_dbllist.h"
#include "core/qvr_obj_node.h"
#include "core/qvr_scoped_handle.h"
#include "core/qvr_string_list.h"
#include "core/qvr_wchar_string.h"
#include "qvr_platform.h"
#include "registry/qvr_registry_binary_value.h"
#include "registry/qvr_registry_dword_value.h"
#include "registry/qvr_registry_multi_string_value.h"
#include "registry/qvr_registry_string_value.h"
#include "registry/qvr_registry_valent.h"

#include <cstdint>

typedef CQVRDblList<CQVRObjNode<CQVRRegistryValent>> CQVRValentList;
typedef CQVRDblList<CQVRObjNode<CQVRRegistryStringValue>> CQVRStringValueList;
typedef CQVRDblList<CQVRObjNode<CQVRRegistryDwordValue>> CQVRDwordValueList;
typedef CQVRDblList<CQVRObjNode<CQVRRegistryMultiStringValue>> CQVRMultiStringValueList;
typedef CQVRDblList<CQVRObjNode<CQVRRegistryBinaryValue>> CQVRBinaryValueList;

class CQVRRegistryKey {
public:
    // Access masks go to the platform as given: 0x100 and 0x200 choose the
    // 64- and 32-bit views; without either, a 64-bit build uses the 32-bit
    // view, as the 32-bit installer does. Options go to the key's creation
    // (REG_OPTION_VOLATILE for a key that lasts until the next restart).
    CQVRRegistryKey(HKEY hRootKey, const CQVRWCharString& strKeyPath, REGSAM samAccess, bool bCreateIfMissing,
                    DWORD ulOptions);
    // A copy names the same key and starts closed.
    CQVRRegistryKey(const CQVRRegistryKey& other);
    // Closes the key if it is open. Not virtual: keys live on the stack.
    ~CQVRRegistryKey();
    // Closes this key if open, then names the other's key; starts closed.
    CQVRRegistryKey& operator=(const CQVRRegistryKey& other);
    // Closes the key if open; the next operation opens it with this mask.
    void setAccess(REGSAM samAccess);

    // Opens the key; a missing key is created when the key was built so.
    // Any answer but "not found" or "invalid handle" counts as opened.
    bool open();
    // True also for a key that was not open (with a warning).
    bool close();
    // Makes sure the key exists; leaves it closed.
    bool create();
    // Whether the key can be opened (created when so built); leaves it closed.
    virtual bool exists();

    // Key metrics (characters without terminator, or bytes for the data).
    bool getMaxSubKeyLength(DWORD& ulLength);
    bool getMaxValueNameLength(DWORD& ulLength);
    bool getMaxValueDataLength(DWORD& ulLength);

    // The key's path, or only its last part.
    bool getKeyName(CQVRWCharString& name, bool bFullPath) const;
    // The ulIndex-th subkey as a key of its own (same root, access and
    // options, never created). False at the end without a log entry. Leaves
    // this key open.
    bool getSubKey(CQVRRegistryKey& subKey, DWORD ulIndex);
    // The subkeys' short names, keyed 1, 2, 3, ... Leaves this key open.
    bool enumSubKeys(CQVRStringList& names);
    // The names of the key's values (key 0), the unnamed one left out; false
    // for a key without named values.
    bool enumValueNames(CQVRStringList& names);
    // Every named value with its type and bytes, keyed 0, 1, 2, ...
    bool queryMultipleValues(CQVRValentList& values);

    // The values of one type as name and value pairs, keyed 0, 1, 2, ...
    // among those taken; true also when the key holds none of that type.
    bool getStringValues(CQVRStringValueList& values);
    // With bExpand, each text is expanded from the environment.
    bool getExpandStringValues(CQVRStringValueList& values, bool bExpand);
    bool getDwordValues(CQVRDwordValueList& values);
    bool getMultiStringValues(CQVRMultiStringValueList& values);
    bool getBinaryValues(CQVRBinaryValueList& values);

    // How the collections make a pair of a value record: the bytes as text
    // (an odd last byte is one more unit), as a number (the first four bytes;
    // fewer are an overrun, logged, and give 0), as strings, as they are.
    // Memory running out on the way throws std::bad_alloc.
    static void makePair(const CQVRRegistryValent& valent, CQVRRegistryStringValue& pair);
    static void makePair(const CQVRRegistryValent& valent, CQVRRegistryDwordValue& pair);
    static void makePair(const CQVRRegistryValent& valent, CQVRRegistryMultiStringValue& pair);
    static void makePair(const CQVRRegistryValent& valent, CQVRRegistryBinaryValue& pair);

    // Format 8: the registry text file; otherwise a hive file through the
    // backup privilege.
    virtual bool exportKey(const CQVRWCharString& fileName, DWORD ulFormat, bool bOverwrite);
    // Flags 16: the registry text file, which names the keys it writes;
    // otherwise a hive file (restore flags) through the restore privilege.
    virtual bool importKey(const CQVRWCharString& fileName, DWORD ulFlags);

    // Registry text file format and import flags that select it.
    static const DWORD kTextFileFormat = 8;
    static const DWORD kTextFileImport = 16;

    CQVRWCharString m_strKeyPath;
    REGSAM m_samAccess;
    DWORD m_ulOptions;
    CQVRScopedKey m_hKey;  // while open; null when closed
    bool m_bCreateIfMissing;
    bool m_bOpen;
    HKEY m_hRootKey;

protected:
    // Closes the key when an operation finds it open at its end.
    void closeIfOpen();
    // Opens the key unless it is open; false when it cannot be opened.
    bool ensureOpen();

private:
    // One item of RegQueryInfoKeyW, by its position in the call.
    enum InfoItem { iiMaxSubKeyLength, iiMaxValueNameLength, iiMaxValueDataLength };
    bool queryInfo(InfoItem item, DWORD& ulValue);
    bool openHandle();
    // close(), and closed also when that fails: the handle is given up.
    void leaveOpenState();
    void copyName(const CQVRRegistryKey& other);
};

#endif
