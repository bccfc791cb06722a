// What the running program sees of its Windows, as "name=value" lines: the
// version record and what CQVRWindowsOSInfo makes of it. A program started
// under another Windows version prints it (under Wine the version is chosen
// before a program starts); on the substitute a test reads it in-process.
#ifndef QVR_WINDOWS_REPORT_H
#define QVR_WINDOWS_REPORT_H

#include <map>
#include <string>

namespace qvrtest {

std::string describeWindows();
std::map<std::string, std::string> parseDescription(const std::string& text);

}  // namespace qvrtest

#endif
