// Helpers of the end-to-end tier: run the real yolinst.exe, read its debug log back, and look at
// the registry and the Service Control Manager the way the product's users would.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using Lines = std::vector<std::string>;

// What a header record reads as once its clock time is masked.
extern const char kHeader[];

// The yolinst.exe under test, as given on the command line (a Unix path maps to drive Z:).
void SetProductPath(const std::string& path);
const std::string& ProductPath();
// The product built to poll for setup's result every millisecond, and the stand-in setup.exe.
void SetFastPollProductPath(const std::string& path);
const std::string& FastPollProductPath();
void SetStandinPath(const std::string& path);
const std::string& StandinPath();
// The sample client packages: ZanthrexBastion-<release>.msi in this folder.
void SetPackagesDir(const std::string& path);
std::string SamplePackage(const std::string& release);

// A sample client release installed with msiexec for the object's lifetime.
class CInstalledClient {
public:
    explicit CInstalledClient(const std::string& release);
    ~CInstalledClient();
    CInstalledClient(const CInstalledClient&) = delete;
    CInstalledClient& operator=(const CInstalledClient&) = delete;
    bool Installed() const { return m_installed; }

private:
    std::string m_package;
    bool m_installed;
};

struct Finished {
    DWORD exitCode;
    DWORD pid;
};
// Runs `exe` with one argument (none when null) and waits for it to end.
Finished Run(const std::string& exe, const char* argument);

// Polls `done` until it holds or `timeoutMs` has passed; returns its last answer.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 30000);

// The records of "yolinst.log" in `directory`, stamps removed. A record that went on over further
// unstamped lines keeps them, joined with "\n". A record without a well-formed stamp is kept with
// "<no stamp>" in front so that any comparison shows it.
Lines ReadLog(const std::string& directory);
// Waits until the log holds at least `count` records, for writers nobody can wait for.
Lines WaitForLog(const std::string& directory, size_t count);
// Whether `log` is made of exactly the records of `writers`, each writer's in its own order:
// processes sharing one log file interleave their lines.
bool IsInterleaving(const Lines& log, const std::vector<Lines>& writers);
// Whether `wanted` appears in `log` in this order, other writers' lines standing between.
bool ContainsInOrder(const Lines& log, const Lines& wanted);
// The log, one bracketed record a line, for failure messages.
std::string Dump(const Lines& log);

// Registry, in the view given by KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0.
void DeleteKeyTree(REGSAM view, const char* parent, const char* name);
void SetDword(HKEY root, REGSAM view, const char* key, const char* name, DWORD value);
void SetText(HKEY root, REGSAM view, const char* key, const char* name, const char* text);
// A REG_DWORD value; empty when missing or of another type.
std::optional<DWORD> ReadDword(HKEY root, REGSAM view, const char* key, const char* name);
bool ValueExists(REGSAM view, const char* key, const char* name);

// Records every value a REG_DWORD takes while it runs, polling every few milliseconds: values
// that the agent writes and its own self-removal deletes moments later can still be asserted.
class CValueTrace {
public:
    CValueTrace(HKEY root, const char* key, const char* name, REGSAM view);
    ~CValueTrace();
    CValueTrace(const CValueTrace&) = delete;
    CValueTrace& operator=(const CValueTrace&) = delete;
    // Stops polling; the distinct values in the order seen, -1 standing for "absent".
    std::vector<long long> Stop();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Service Control Manager.
struct ServiceConfig {
    DWORD type = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::string imagePath;
    std::string loadOrderGroup;
    std::string dependencies;
    std::string account;
    std::string displayName;
    std::string description;
};
// False only once the SCM answers that the service does not exist (not while marked for delete).
bool ServiceExists(const char* name);
ServiceConfig QueryConfig(const char* name);
DWORD QueryState(const char* name);
// A never-started own-process service with the given name.
void CreateDummyService(const char* name);
// Stops and deletes the service if it exists, and waits until it is gone.
void RemoveService(const char* name);

// How many processes of this Wine prefix run the image `name`.
int CountProcesses(const char* name);

}  // namespace e2e
