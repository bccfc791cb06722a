// A prepared machine for whole runs of the installer on the substitute: the
// product installed (its keys, its libraries, its process), the patch
// package beside the installer, and what a run leaves: boxes shown, the
// patch log, the record, the files and the processes.
#ifndef QVR_SCENARIO_H
#define QVR_SCENARIO_H

#include "qvr_sim.h"
#include "qvr_test_helpers.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvrscenario {

using qvrtest::wstr;

// A file version as dotted text, "8.20.23.5"; "none" for a file without one
// and "missing" for no file at all.
std::string versionOf(const wstr& path);

// The English texts of the messages (the user's language unless a test says
// otherwise).
extern const char* const kWrongOS;
extern const char* const kUpdateFailed;   // "%s" still in it
extern const char* const kWillTerminate;  // "%s" still in it
extern const char* const kWrongVersion;
extern const char* const kCaption;
extern const char* const kCompleted;
extern const char* const kAlreadyInstalled;
extern const char* const kNotInstalled;
extern const char* const kFailed;

// "text User select: n\r\n"
std::string answered(const char* szText, int iAnswer);
// The text with its "%s" replaced, and the line end.
std::string withPath(const char* szText, const wstr& path);

class ScenarioTest : public qvrtest::MachineTest {
public:
    void SetUp() override;
    // A fresh machine with the installer at C:\patch\qvrpatch.exe, for
    // tests that go through several machines.
    void freshMachine();

    // The product as installed: its version text in the registry, where the
    // libraries come from, whether its process runs.
    struct Install {
        const char* szVersion = "8.20.23";
        bool b64BitWindows = true;
        bool bLegacyKey = false;        // registered under the former owner's key only
        bool bInstallPath64 = true;     // InstallPath in the 64-bit view too
        bool bClosingBackslash = true;  // InstallPath ends in a backslash, as the product writes it
        std::string libraryVersion = "8.20.23.5";
        bool bRunning = true;     // keyminder.exe from the install folder
        bool bRunning64 = false;  // and from the 64-bit install folder
        bool bAllowed = true;     // the common policy's SVTInstall is 1
    };
    void install(const Install& product);
    void install() { install(Install()); }

    // The patch package's library versions: 820\ and 821\ beside the
    // installer (C:\patch\qvrpatch.exe).
    void package(const std::string& version820 = "8.20.24.0", const std::string& version821 = "8.21.7.0");

    // A run with this command-line tail, each box answered in turn.
    void run(const char* szCommandLine, const std::vector<int>& answers = {});

    // A library file with this version ("none": without one), its folders
    // made; and the folders of a path, every one before its last backslash.
    static void writeLibrary(const wstr& path, const std::string& version);
    static void makeFolders(const wstr& path);

    // The library at the product's folders (32-bit and 64-bit).
    static wstr library(const char* szName);
    static wstr library64(const char* szName);
    static wstr source(const char* szRelease, const char* szName);

    // What the run left.
    std::vector<std::string> boxTexts() const;
    std::string patchLog() const;  // after its byte-order mark
    std::vector<uint8_t> patchLogBytes() const;
    bool recorded(const char* szKey = "Software\\Dravonne\\Sentravault Solution") const;
    size_t running(const wstr& path) const;
    size_t terminated(const wstr& path) const;

    static const char* const kProductKey;
    static const char* const kLegacyKey;
};

}  // namespace qvrscenario

#endif
