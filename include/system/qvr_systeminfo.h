// The machine-wide storage folder of a vendor: a folder of the vendor's name
// in the common application-data folder, made when it is missing.
#ifndef QVR_SYSTEMINFO_H
#define QVR_SYSTEMINFO_H

#include "core/qvr_wchar_string.h"

#include <cstdint>

class CQVRSystemInfo {
public:
    // Vendor indexes.
    enum Vendor : uint32_t { svDravonne = 0, svAstervane = 1 };

    explicit CQVRSystemInfo(uint32_t ulVendor);
    ~CQVRSystemInfo();

    // "<common application data>\<vendor>\", the folder made when missing.
    virtual bool getStoragePath(CQVRWCharString& path);

    uint32_t m_ulVendor;
};

#endif
