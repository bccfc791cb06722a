// Where the string's three source files (core, editing, number conversions)
// record their entries: under the class and the one source file name that
// log readers know it by.
#ifndef QVR_WCHAR_STRING_SITE_H
#define QVR_WCHAR_STRING_SITE_H

#include "qvr_guard.h"

static const QVRSourceFile kThisFile = {QVR_T("CQVRWCharString"), QVR_T("qvr_wchar_string.cpp"), QVRErrorSource::Errno};

static const WCHAR* const kArgOccurrance = QVR_T("ulOccurrance");

#endif
