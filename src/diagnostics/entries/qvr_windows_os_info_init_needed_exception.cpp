#include "diagnostics/entries/qvr_windows_os_info_init_needed_exception.h"

CQVRWindowsOSInfoInitNeededException::CQVRWindowsOSInfoInitNeededException(const WCHAR* szSourceFile, uint32_t ulLine)
    : CQVRLogException1(QVR_T("CQVRWindowsOSInfo construction failed. Cannot call member functions."),
                        static_cast<uint32_t>(-1), szSourceFile, ulLine)
{
}
