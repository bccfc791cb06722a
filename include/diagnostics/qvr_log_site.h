// Where an exception or warning comes from and how it is written: what every
// concrete entry class passes on to its base unchanged.
#ifndef QVR_LOG_SITE_H
#define QVR_LOG_SITE_H

#include "qvr_platform.h"

#include <cstdint>

struct QVRLogSite {
    const WCHAR* szClassName;
    const WCHAR* szMethodName;
    const WCHAR* szSourceFile;
    uint32_t ulLine;
    uint16_t usOutputTypes;
    bool bWriteNow;
    bool bWriteOnDestroy;
};

#endif
