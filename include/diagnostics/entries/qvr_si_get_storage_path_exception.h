// "Unable to obtain Windows shell folder path for folder ( "%s" ).  %s"
#ifndef QVR_SI_GET_STORAGE_PATH_EXCEPTION_H
#define QVR_SI_GET_STORAGE_PATH_EXCEPTION_H

#include "diagnostics/qvr_log_exception1.h"

class CQVRSIgetStoragePathException : public CQVRLogException1 {
public:
    CQVRSIgetStoragePathException(const WCHAR* szFolder, const WCHAR* szReason, uint32_t ulError,
                                  const WCHAR* szClassName, const WCHAR* szMethodName, const WCHAR* szSourceFile,
                                  uint32_t ulLine, uint16_t usOutputTypes = otText, bool bWriteNow = true,
                                  bool bWriteOnDestroy = false)
        : CQVRLogException1(
              {szClassName, szMethodName, szSourceFile, ulLine, usOutputTypes, bWriteNow, bWriteOnDestroy}, ulError,
              rkError, QVR_T("Unable to obtain Windows shell folder path for folder ( \"%s\" ).  %s"), szFolder,
              szReason)
    {
    }
};

#endif
