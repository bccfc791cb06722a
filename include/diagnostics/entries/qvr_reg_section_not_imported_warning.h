// "Registry file section not imported, it is too long to be read whole ( <section> )"
#ifndef QVR_REG_SECTION_NOT_IMPORTED_WARNING_H
#define QVR_REG_SECTION_NOT_IMPORTED_WARNING_H

#include "diagnostics/qvr_log_warning.h"

class CQVRRegSectionNotImportedWarning : public CQVRLogWarning {
public:
    CQVRRegSectionNotImportedWarning(const WCHAR* szSection, const WCHAR* szSourceFile, uint32_t ulLine,
                                     uint16_t usOutputTypes = otText, bool bWriteNow = true)
        : CQVRLogWarning({nullptr, nullptr, szSourceFile, ulLine, usOutputTypes, bWriteNow, false}, 0, rkError,
                         QVR_T("Registry file section not imported, it is too long to be read whole ( %s )"), szSection)
    {
    }
};

#endif
