// Programs, processes and versioned files for tests. Under Wine they are
// real: the build's fixture programs and libraries, started and listed
// through the platform. On the substitute they are entries of its machine
// model and files of a few bytes.
#include "qvr_test_machine.h"

#include <cstring>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

namespace qvrtest {

namespace {

const DWORD kVersionSignature = 0xFEEF04BD;
const char kVersionedFixture[] = "8.20.23.5\\library.dll";

}  // namespace

bool writeFile(const wstr& path, const std::vector<uint8_t>& bytes)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool bWritten =
        WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(hFile);
    return bWritten;
}

namespace {

void putWord(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void putDword(std::vector<uint8_t>& bytes, uint32_t value)
{
    putWord(bytes, static_cast<uint16_t>(value));
    putWord(bytes, static_cast<uint16_t>(value >> 16));
}

#ifndef _WIN32
// The least a file needs to pass for a program image: the "MZ" header, whose
// word at 0x3C points just past it, to the signature "PE\0\0".
std::vector<uint8_t> programImageHeader()
{
    std::vector<uint8_t> bytes(0x40, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = 0x40;
    bytes.insert(bytes.end(), {'P', 'E', 0, 0});
    return bytes;
}

// What the substitute takes for a version resource: a program image's
// headers, then a version block with its fixed record and nothing else.
std::vector<uint8_t> smallVersionedFile()
{
    std::vector<uint8_t> bytes = programImageHeader();
    putWord(bytes, 40 + 52);  // the block: header and fixed record
    putWord(bytes, 52);       // the fixed record's length
    putWord(bytes, 0);        // binary value
    for (char ch : std::string("VS_VERSION_INFO"))
        putWord(bytes, static_cast<uint16_t>(ch));
    putWord(bytes, 0);
    putWord(bytes, 0);  // padding to a 4-byte boundary
    const uint32_t record[] = {kVersionSignature, 0x10000, 0, 0, 0, 0, 0x3F, 0, 0x40004, 2, 0, 0, 0};
    for (uint32_t value : record)
        putDword(bytes, value);
    return bytes;
}
#endif

}  // namespace

bool writeVersionedFile(const wstr& path, uint32_t ulVersionMS, uint32_t ulVersionLS)
{
#ifdef _WIN32
    std::vector<uint8_t> bytes = readFile(fixturePath(kVersionedFixture));
#else
    std::vector<uint8_t> bytes = smallVersionedFile();
#endif
    // The file version follows the signature and the record's own version.
    for (size_t at = 0; at + 16 <= bytes.size(); at += 4) {
        uint32_t value = bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (uint32_t(bytes[at + 3]) << 24);
        if (value != kVersionSignature)
            continue;
        std::vector<uint8_t> version;
        putDword(version, ulVersionMS);
        putDword(version, ulVersionLS);
        std::memcpy(&bytes[at + 8], version.data(), version.size());
        return writeFile(path, bytes);
    }
    ADD_FAILURE() << "no version record in " << narrow(fixturePath(kVersionedFixture));
    return false;
}

wstr fixturePath(const char* szRelative)
{
    wstr program = modulePath();
    return program.substr(0, program.find_last_of(static_cast<WCHAR>('\\')) + 1) + W("fixtures\\") + W(szRelative);
}

#ifdef _WIN32

bool writeProgram(const wstr& path) { return CopyFileW(fixturePath("sleeper.exe").c_str(), path.c_str(), FALSE); }

DWORD startProgram(const wstr& path)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    std::vector<WCHAR> commandLine(path.begin(), path.end());
    commandLine.push_back(0);
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return 0;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    // The module path can be read once the loader has set the process up.
    awaitRunning(path, 1);
    return started.dwProcessId;
}

std::vector<DWORD> runningFrom(const wstr& path)
{
    std::vector<DWORD> ids(4096), found;
    DWORD cb = 0;
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &cb))
        return found;
    for (DWORD i = 0; i < cb / sizeof(DWORD); ++i) {
        HANDLE hProcess = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        if (!hProcess)
            continue;
        WCHAR image[MAX_PATH + 1];
        if (GetModuleFileNameExW(hProcess, nullptr, image, MAX_PATH + 1) && _wcsicmp(image, path.c_str()) == 0)
            found.push_back(ids[i]);
        CloseHandle(hProcess);
    }
    return found;
}

bool awaitRunning(const wstr& path, size_t count)
{
    for (int i = 0; i < 100; ++i) {
        if (runningFrom(path).size() == count)
            return true;
        Sleep(50);
    }
    return false;
}

void setCurrentDirectory(const wstr& path) { EXPECT_TRUE(SetCurrentDirectoryW(path.c_str())) << narrow(path); }

void endTestPrograms()
{
    const wstr folder = testFolder();
    std::vector<DWORD> ids(4096);
    DWORD cb = 0;
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &cb))
        return;
    for (DWORD i = 0; i < cb / sizeof(DWORD); ++i) {
        HANDLE hProcess =
            OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        if (!hProcess)
            continue;
        WCHAR image[MAX_PATH + 1];
        if (GetModuleFileNameExW(hProcess, nullptr, image, MAX_PATH + 1) &&
            _wcsnicmp(image, folder.c_str(), folder.size()) == 0 && TerminateProcess(hProcess, 0))
            WaitForSingleObject(hProcess, 5000);
        CloseHandle(hProcess);
    }
}

#else

bool writeProgram(const wstr& path) { return writeFile(path, programImageHeader()); }

DWORD startProgram(const wstr& path) { return qvrsim::startProcess(path); }

std::vector<DWORD> runningFrom(const wstr& path) { return qvrsim::runningProcesses(path); }

bool awaitRunning(const wstr& path, size_t count) { return runningFrom(path).size() == count; }

void setCurrentDirectory(const wstr& path) { qvrsim::setCurrentDirectory(path); }

void endTestPrograms() {}

#endif

}  // namespace qvrtest
