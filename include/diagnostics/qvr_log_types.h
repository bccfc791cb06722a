// Levels, result kinds and output types shared by every log entry.
#ifndef QVR_LOG_TYPES_H
#define QVR_LOG_TYPES_H

#include <cstdint>

// A level is one bit; the detail mask of the configuration selects levels.
enum QVRLogLevel : uint32_t {
    llCritical = 0x0001,
    llExceptionBad = 0x0002,
    llExceptionOk = 0x0004,
    llError = 0x0008,
    llWarning = 0x0010,
    llDebug = 0x0020,
    llInformation = 0x0040,
    llNotification = 0x0080,
    llEntry = 0x0100,
    llExit = 0x0200,
    llSuccess = 0x0400,
    llFailure = 0x0800
};

// How an entry's value reads.
enum QVRResultKind : uint32_t { rkError = 0, rkPassFail = 1, rkLogical = 2, rkReturnCode = 3 };

// Bits of an entry's output mask.
enum QVROutputType : uint16_t {
    otText = 0x01,
    otXML = 0x02,
    otServer = 0x04,
    otHTML = 0x08,
    otNone = 0x10,
    otUnknown = 0x20
};

#endif
