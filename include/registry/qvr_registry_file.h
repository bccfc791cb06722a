// The registry text file: a profile (INI) file with one section per key
// ("HKEY_LOCAL_MACHINE\Software\Vendor") and one entry per value, its text a
// type tag, a colon and the data ("Count=REG_DWORD:0x0000001A"). The object
// is the file's path.
#ifndef QVR_REGISTRY_FILE_H
#define QVR_REGISTRY_FILE_H

#include "core/qvr_wchar_string.h"
#include "qvr_platform.h"

class CQVRRegistryFile : public CQVRWCharString {
public:
    explicit CQVRRegistryFile(const CQVRWCharString& fileName);

    // Writes the key and all its subkeys, parents first. With bOverwrite the
    // file is replaced; without, the export merges into it. A new file is
    // UTF-16, so any text survives. The unnamed value is the entry "@"; a
    // value whose name holds "=" cannot be stored and is left out with a
    // warning.
    bool exportKeyToFile(HKEY hRoot, const CQVRWCharString& keyPath, bool bOverwrite);
    // Writes every section of the file into the registry (the file names the
    // keys); lines it cannot use are skipped.
    bool importFromFile();
};

#endif
