// "Registry value not exported, its name holds "=" ( "<key path>\<value name>" )"
// The profile files of the registry text format cannot hold such a name.
#ifndef QVR_REG_VALUE_NOT_EXPORTED_WARNING_H
#define QVR_REG_VALUE_NOT_EXPORTED_WARNING_H

#include "diagnostics/qvr_log_warning.h"

class CQVRRegValueNotExportedWarning : public CQVRLogWarning {
public:
    CQVRRegValueNotExportedWarning(const WCHAR* szKeyPath, const WCHAR* szValueName, const WCHAR* szSourceFile,
                                   uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true)
        : CQVRLogWarning({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, false}, 0, rkError,
                         QVR_T("Registry value not exported, its name holds \"=\" ( \"%s\\%s\" )"), szKeyPath,
                         szValueName)
    {
    }
};

#endif
