// The end-to-end tier: run the real yolinst.exe, read its debug log back, and look at the registry
// and the Service Control Manager the way the product's users would. Every test starts from a
// machine without the agent's service, the client's service (which a test may install), the
// product's registry keys or the result marker, and a fresh folder whose name has a space.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win/unique_any.h"

namespace e2e {

using Lines = std::vector<std::string>;
inline Lines operator+(Lines first, const Lines& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

constexpr char kService[] = "Yolinst";
constexpr char kClientService[] = "yolService";
constexpr char kLinkKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL\\ZxLink\\ZxLink";
constexpr char kMarkerKey[] = "RUZIDUZU\\{DCCB9E52-6A84A746}";
// What a header record reads as once its clock time is masked.
constexpr char kHeader[] = "====== YolInst starts at hh:mm:ss======";

// From the command line, as Windows paths: the product, its build that polls for setup's result
// every millisecond and the stand-in setup.exe.
struct Inputs {
    std::string product, fastPollProduct, standin;
};
extern Inputs g_inputs;

// Starts `exe` with one argument (none when null) without waiting for it; null when it cannot.
win::unique_handle Launch(const std::string& exe, const char* argument);
// The exit code of a launched command, STILL_ACTIVE when it did not end. The guard lies beyond
// the 120 s a stop may wait for the run, so only a hang trips it.
DWORD Finish(const win::unique_handle& process);
// Runs `exe` with one argument (none when null), waits for it to end and returns its exit code.
inline DWORD Execute(const std::string& exe, const char* argument) {
    return Finish(Launch(exe, argument));
}
// Polls `done` until it holds or `timeoutMs` has passed; returns its last answer.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 30000);

// The records of "yolinst.log" in `directory`, stamps removed; a record's unstamped further lines
// joined to it with "\n".
Lines ReadLog(const std::string& directory);
// Whether `wanted` appears in `log` in this order, other writers' lines standing between; the
// failure names the first line out of place and shows the log.
testing::AssertionResult ContainsInOrder(const Lines& log, const Lines& wanted);
// The lines of the service's run from `folder`, from its start to its first decision, then
// `middle`, then the closing lines of a run that succeeded or failed.
Lines RunLines(const std::string& folder, const Lines& middle, bool succeeded);
// The bytes of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Registry, in the view given by KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0.
void SetValue(HKEY root, REGSAM view, const char* key, const char* name, DWORD type,
              const void* data, DWORD size);
inline void SetDword(HKEY root, REGSAM view, const char* key, const char* name, DWORD value) {
    SetValue(root, view, key, name, REG_DWORD, &value, sizeof value);
}
// A REG_DWORD value; empty when missing or of another type.
std::optional<DWORD> ReadDword(HKEY root, REGSAM view, const char* key, const char* name);

// Service Control Manager.
win::unique_schandle OpenManager();
// False only once the SCM answers that the service does not exist (not while marked for delete).
bool ServiceExists(const char* name);
// How many processes of this Wine prefix run the image `name`.
int CountProcesses(const char* name);

// What the stand-in setup is told to do (see its control file), and which build of it is staged:
// the signed stand-in, or a copy from standin-variants/ as an attacker might stage it.
struct Standin {
    std::string result = "0";
    int runMs = 0;
    std::string variant = "";  // initialised: shorter brace lists stay warning-free
};

class CAgentTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { Clean(); }
    static void Clean();

    // Copies the agent (the product or its fast-poll build) with the debug switch into the
    // test's folder or a subfolder; its path.
    std::string StageAgent(const std::string& subfolder = "", bool fastPoll = false) const;
    // The agent in the test's folder or a subfolder, with the stand-in setup.exe told what to do;
    // its path.
    std::string Stage(const Standin& standin, bool fastPoll = false,
                      const std::string& subfolder = "") const;
    // The record of the stand-in in `folder`: each key with the value of its last run, and how
    // often it ran to its end.
    struct SetupRecord {
        std::map<std::string, std::string> last;
        int runs = 0;
    };
    static SetupRecord Record(const std::string& folder);
    // Installs through the product and empties the log, so every later writer appends.
    static void Install(const std::string& exe);
    static std::string Folder(const std::string& exe) { return exe.substr(0, exe.rfind('\\')); }

    std::string m_folder;
};

}  // namespace e2e
