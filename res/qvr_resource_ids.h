// String resource IDs of the installer's string table (res/qvr_strings.rc).
// Read by windres as well as by C++, so plain #defines only.
#ifndef QVR_RESOURCE_IDS_H
#define QVR_RESOURCE_IDS_H

#define QVR_IDS_CLOSE_PROGRAMS 101      // never loaded; kept in the English and Chinese (PRC) tables
#define QVR_IDS_WRONG_OS 1120           // operating system gate
#define QVR_IDS_UPDATE_FAILED 1121      // log line: %s is the target file
#define QVR_IDS_WILL_TERMINATE 1122     // log line: %s is the stopped process's module
#define QVR_IDS_WRONG_VERSION 1130      // version gate
#define QVR_IDS_CAPTION 1140            // caption of every message box
#define QVR_IDS_COMPLETED 1160          // end of a successful run, asked as yes/no
#define QVR_IDS_ALREADY_INSTALLED 1170  // earlier-patch gate
#define QVR_IDS_NOT_INSTALLED 1180      // product gate
#define QVR_IDS_FAILED 1200             // a failed query or file copy

#endif
