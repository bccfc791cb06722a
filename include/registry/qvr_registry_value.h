// A registry key plus one value name and a typed copy of the value. The
// typed classes read (readRegistry) and write (writeRegistry) it; the empty
// name is the key's default value.
#ifndef QVR_REGISTRY_VALUE_H
#define QVR_REGISTRY_VALUE_H

#include "core/qvr_call_ref.h"
#include "qvr_guard.h"
#include "registry/qvr_registry_key.h"

class CQVRRegistryValue : public CQVRRegistryKey {
public:
    // The create flag also makes a read of a missing value write the empty
    // value. A value name that cannot be copied is logged and left empty,
    // and the object then reads and writes nothing.
    CQVRRegistryValue(HKEY hRootKey, const CQVRWCharString& strKeyPath, const CQVRWCharString& strValueName,
                      REGSAM samAccess, bool bCreateIfMissing, DWORD ulOptions);

    // From the registry into the object; false when the value cannot be read.
    virtual bool readRegistry() = 0;
    // From the object into the registry.
    virtual bool writeRegistry() = 0;

    // The registry type the value is stored with (the typed reads never look
    // at it); false when the value cannot be found.
    bool getStoredType(DWORD& ulType);

    CQVRWCharString m_strValueName;

protected:
    // The read every type shares: the key opened, query() run (it stores the
    // value itself on success), and a missing value with the create flag
    // made empty by setEmpty() and written. The key is closed at the end.
    // Entries name the calling type's file (and its class) and line.
    bool readValue(const QVRSourceFile& file, uint32_t ulLine, CQVRCallRef<LONG> query, CQVRCallRef<void> setEmpty);
    // One RegSetValueExW of the data; a failure is the set exception naming
    // the calling type's class and file. The key is closed at the end.
    bool writeValue(DWORD ulType, const void* pData, DWORD ulBytes, const QVRSourceFile& file, uint32_t ulLine);
    // RegQueryValueExW of this value into pData (ulBytes in, bytes read out).
    LONG queryValue(void* pData, DWORD& ulBytes);

private:
    // The name could not be copied: the empty name left would stand for the
    // key's unnamed value, so this object reads and writes nothing.
    bool m_bNameLost;
};

#endif
