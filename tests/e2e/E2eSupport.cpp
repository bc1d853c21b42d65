#include "E2eSupport.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>
#include <regex>
#include <set>
#include <sstream>

#include "win/unique_any.h"

namespace e2e {

const char kHeader[] = "====== YolInst starts at hh:mm:ss======";

namespace {

std::string g_productPath;
std::string g_fastPollProductPath;
std::string g_standinPath;
std::string g_packagesDir;

// Wine maps the Unix root to drive Z:.
std::string ToWindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path.insert(0, "Z:");
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

win::unique_schandle OpenManager() {
    win::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    EXPECT_TRUE(manager) << "OpenSCManager: " << GetLastError();
    return manager;
}

// Multi-string to "a|b|c", so an unexpected list shows in a failure message.
std::string JoinMultiString(const char* list) {
    std::string joined;
    for (const char* item = list; item != nullptr && *item != '\0'; item += strlen(item) + 1) {
        joined += (joined.empty() ? "" : "|") + std::string(item);
    }
    return joined;
}

}  // namespace

void SetProductPath(const std::string& path) {
    g_productPath = ToWindowsPath(path);
}
const std::string& ProductPath() {
    return g_productPath;
}
void SetFastPollProductPath(const std::string& path) {
    g_fastPollProductPath = ToWindowsPath(path);
}
const std::string& FastPollProductPath() {
    return g_fastPollProductPath;
}
void SetStandinPath(const std::string& path) {
    g_standinPath = ToWindowsPath(path);
}
const std::string& StandinPath() {
    return g_standinPath;
}
void SetPackagesDir(const std::string& path) {
    g_packagesDir = ToWindowsPath(path);
}
std::string SamplePackage(const std::string& release) {
    return g_packagesDir + "\\ZanthrexBastion-" + release + ".msi";
}

namespace {
DWORD Msiexec(const char* action, const std::string& package) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return Run(std::string(system) + "\\msiexec.exe",
               (std::string(action) + " \"" + package + "\" /qn").c_str())
        .exitCode;
}
}  // namespace

CInstalledClient::CInstalledClient(const std::string& release)
    : m_package(SamplePackage(release)), m_installed(Msiexec("/i", m_package) == 0) {}

CInstalledClient::~CInstalledClient() {
    if (m_installed) {
        Msiexec("/x", m_package);
    }
}

Finished Run(const std::string& exe, const char* argument) {
    std::string commandLine = "\"" + exe + "\"";
    if (argument != nullptr) {
        commandLine += std::string(" ") + argument;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        ADD_FAILURE() << "CreateProcess " << commandLine << ": " << GetLastError();
        return {STILL_ACTIVE, 0};
    }
    win::unique_handle process(info.hProcess);
    win::unique_handle thread(info.hThread);
    // Generous: a start command that meets an unresponsive service waits for the SCM's timeout.
    if (WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << commandLine << " did not end";
        TerminateProcess(process.get(), 1);
        return {STILL_ACTIVE, info.dwProcessId};
    }
    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeProcess(process.get(), &exitCode);
    return {exitCode, info.dwProcessId};
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    while (!done()) {
        if (GetTickCount64() - start > timeoutMs) {
            return done();
        }
        Sleep(100);
    }
    return true;
}

Lines ReadLog(const std::string& directory) {
    static const std::regex stamp(R"(^\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d )");
    static const std::regex clock(R"(^(====== YolInst starts at )\d\d:\d\d:\d\d(======)$)");
    std::ifstream file(directory + "\\yolinst.log", std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    Lines records;
    std::string line;
    while (std::getline(content, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (std::regex_search(line, stamp)) {
            records.push_back(std::regex_replace(line.substr(19), clock, "$1hh:mm:ss$2"));
        } else if (!records.empty() && records.back().rfind("<no stamp>", 0) != 0) {
            records.back() += "\n" + line;
        } else {
            records.push_back("<no stamp>" + line);
        }
    }
    return records;
}

Lines WaitForLog(const std::string& directory, size_t count) {
    Lines log;
    WaitUntil([&] {
        log = ReadLog(directory);
        return log.size() >= count;
    });
    return log;
}

bool IsInterleaving(const Lines& log, const std::vector<Lines>& writers) {
    // Depth-first over how far each writer has got; the log position is the sum of those, so
    // positions already found to be dead ends are remembered by the writers' progress alone.
    std::vector<size_t> at(writers.size(), 0);
    std::set<std::vector<size_t>> deadEnds;
    std::function<bool(size_t)> match = [&](size_t position) {
        if (position == log.size()) {
            for (size_t w = 0; w < writers.size(); ++w) {
                if (at[w] != writers[w].size()) {
                    return false;
                }
            }
            return true;
        }
        if (deadEnds.count(at) != 0) {
            return false;
        }
        for (size_t w = 0; w < writers.size(); ++w) {
            if (at[w] < writers[w].size() && writers[w][at[w]] == log[position]) {
                ++at[w];
                const bool matched = match(position + 1);
                --at[w];
                if (matched) {
                    return true;
                }
            }
        }
        deadEnds.insert(at);
        return false;
    };
    return match(0);
}

bool ContainsInOrder(const Lines& log, const Lines& wanted) {
    auto at = log.begin();
    for (const std::string& line : wanted) {
        at = std::find(at, log.end(), line);
        if (at == log.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

std::string Dump(const Lines& log) {
    std::string text;
    for (const std::string& record : log) {
        text += "\n  [" + record + "]";
    }
    return text;
}

void DeleteKeyTree(REGSAM view, const char* parent, const char* name) {
    win::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent, 0, KEY_ALL_ACCESS | view, key.put()) ==
        ERROR_SUCCESS) {
        const LONG result = RegDeleteTreeA(key.get(), name);
        EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
    }
}

void SetDword(HKEY root, REGSAM view, const char* key, const char* name, DWORD value) {
    win::unique_hkey opened;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE | view,
                                             nullptr, opened.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(opened.get(), name, 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value), sizeof value));
}

void SetText(HKEY root, REGSAM view, const char* key, const char* name, const char* text) {
    win::unique_hkey opened;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE | view,
                                             nullptr, opened.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(opened.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(strlen(text) + 1)));
}

std::optional<DWORD> ReadDword(HKEY root, REGSAM view, const char* key, const char* name) {
    win::unique_hkey opened;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegOpenKeyExA(root, key, 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS ||
        RegQueryValueExA(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return std::nullopt;
    }
    return value;
}

bool ValueExists(REGSAM view, const char* key, const char* name) {
    win::unique_hkey opened;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | view, opened.put()) ==
               ERROR_SUCCESS &&
           RegQueryValueExA(opened.get(), name, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
}

struct CValueTrace::State {
    HKEY root;
    std::string key;
    std::string name;
    REGSAM view;
    std::atomic<bool> stop{false};
    std::vector<long long> seen;
    std::thread poller;

    long long Read() const {
        const std::optional<DWORD> value = ReadDword(root, view, key.c_str(), name.c_str());
        return value ? static_cast<long long>(*value) : -1;
    }
};

CValueTrace::CValueTrace(HKEY root, const char* key, const char* name, REGSAM view)
    : m_state(new State{root, key, name, view, {}, {}, {}}) {
    m_state->seen.push_back(m_state->Read());
    m_state->poller = std::thread([state = m_state.get()] {
        while (!state->stop) {
            const long long value = state->Read();
            if (value != state->seen.back()) {
                state->seen.push_back(value);
            }
            Sleep(2);
        }
    });
}

CValueTrace::~CValueTrace() {
    Stop();
}

std::vector<long long> CValueTrace::Stop() {
    if (m_state->poller.joinable()) {
        m_state->stop = true;
        m_state->poller.join();
    }
    return m_state->seen;
}

bool ServiceExists(const char* name) {
    win::unique_schandle manager = OpenManager();
    win::unique_schandle service(OpenServiceA(manager.get(), name, SERVICE_QUERY_STATUS));
    return service || GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST;
}

ServiceConfig QueryConfig(const char* name) {
    ServiceConfig config;
    win::unique_schandle manager = OpenManager();
    win::unique_schandle service(OpenServiceA(manager.get(), name, SERVICE_QUERY_CONFIG));
    if (!service) {
        ADD_FAILURE() << "OpenService " << name << ": " << GetLastError();
        return config;
    }
    std::vector<char> buffer(8192);
    DWORD needed = 0;
    auto* query = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service.get(), query, static_cast<DWORD>(buffer.size()), &needed)) {
        ADD_FAILURE() << "QueryServiceConfig: " << GetLastError();
        return config;
    }
    config.type = query->dwServiceType;
    config.startType = query->dwStartType;
    config.errorControl = query->dwErrorControl;
    config.imagePath = query->lpBinaryPathName ? query->lpBinaryPathName : "";
    config.loadOrderGroup = query->lpLoadOrderGroup ? query->lpLoadOrderGroup : "";
    config.dependencies = JoinMultiString(query->lpDependencies);
    config.account = query->lpServiceStartName ? query->lpServiceStartName : "";
    config.displayName = query->lpDisplayName ? query->lpDisplayName : "";

    auto* description = reinterpret_cast<SERVICE_DESCRIPTIONA*>(buffer.data());
    if (!QueryServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION,
                              reinterpret_cast<BYTE*>(buffer.data()),
                              static_cast<DWORD>(buffer.size()), &needed)) {
        ADD_FAILURE() << "QueryServiceConfig2: " << GetLastError();
        return config;
    }
    config.description = description->lpDescription ? description->lpDescription : "";
    return config;
}

DWORD QueryState(const char* name) {
    win::unique_schandle manager = OpenManager();
    win::unique_schandle service(OpenServiceA(manager.get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    EXPECT_TRUE(service && QueryServiceStatus(service.get(), &status)) << GetLastError();
    return status.dwCurrentState;
}

void CreateDummyService(const char* name) {
    win::unique_schandle manager = OpenManager();
    win::unique_schandle service(CreateServiceA(
        manager.get(), name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
        SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\windows\\system32\\notepad.exe", nullptr,
        nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(service) << "CreateService " << name << ": " << GetLastError();
}

void RemoveService(const char* name) {
    {
        win::unique_schandle manager = OpenManager();
        win::unique_schandle service(
            OpenServiceA(manager.get(), name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
        if (!service) {
            return;
        }
        SERVICE_STATUS status;
        ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        DeleteService(service.get());
    }
    EXPECT_TRUE(WaitUntil([name] { return !ServiceExists(name); })) << name << " stays";
}

int CountProcesses(const char* name) {
    win::unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        count += lstrcmpiA(entry.szExeFile, name) == 0 ? 1 : 0;
    }
    return count;
}

}  // namespace e2e
