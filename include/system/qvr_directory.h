// One directory by its path: whether it exists as a directory, and its
// creation with every missing level.
#ifndef QVR_DIRECTORY_H
#define QVR_DIRECTORY_H

#include "core/qvr_wchar_string.h"

class CQVRDirectory {
public:
    // Never fails visibly: a path that cannot be stored is logged and the
    // object names no directory.
    explicit CQVRDirectory(const CQVRWCharString& path);
    ~CQVRDirectory();

    bool setDirectoryName(const CQVRWCharString& path);
    bool isValidDirectory();
    // Whether path (with or without a trailing backslash, a drive root such
    // as C:\ or C: too) names an existing directory.
    bool isValidWindowsDirectory(const CQVRWCharString& path);
    // Creates each missing level, from the root on; true when at least one
    // was created and none failed (so false for a directory that exists).
    bool createDirectory();

    CQVRWCharString m_strDirectory;
};

#endif
