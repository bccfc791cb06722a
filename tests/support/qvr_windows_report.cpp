// What the running program sees of its Windows.
#include "qvr_windows_report.h"

#include "qvr_platform.h"
#include "system/qvr_windows_os_info.h"

#include <cstdio>
#include <sstream>

namespace qvrtest {

namespace {

std::string utf8(const WCHAR* sz)
{
    std::string out;
    for (; sz && *sz; ++sz) {
        const unsigned cp = static_cast<unsigned short>(*sz);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace

std::string describeWindows()
{
    std::ostringstream out;
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)))
        out << "major=" << info.dwMajorVersion << "\nminor=" << info.dwMinorVersion << "\nbuild=" << info.dwBuildNumber
            << "\nservicePackMajor=" << info.wServicePackMajor << "\ncsd=" << utf8(info.szCSDVersion) << "\n";
    WCHAR path[MAX_PATH + 1] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path) == S_OK)
        out << "commonAppData=" << utf8(path) << "\n";
    try {
        CQVRWindowsOSInfo os;
        char version[32];
        static_cast<void>(std::snprintf(version, sizeof version, "%.17g", os.m_dVersion));
        out << "constructed=1\nversion=" << version << "\nisXP=" << os.isXP() << "\nisVista=" << os.isVista()
            << "\nplatform=" << os.getPlatform() << "\nquery18=" << os.m_bXPOrGreater << "\nquery37=" << os.m_bQuery37
            << "\nservicePack=" << os.m_ulServicePack << "\npe=" << os.m_bPE << "\n";
    } catch (...) {
        out << "constructed=0\n";
    }
    return out.str();
}

std::map<std::string, std::string> parseDescription(const std::string& text)
{
    std::map<std::string, std::string> fields;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

}  // namespace qvrtest
