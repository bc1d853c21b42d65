#include "E2eSupport.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "win/unique_any.h"

namespace e2e {

Inputs g_inputs;

win::unique_handle Launch(const std::string& exe, const char* argument) {
    std::string commandLine = "\"" + exe + "\"" + (argument ? std::string(" ") + argument : "");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    EXPECT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info))
        << commandLine << ": " << GetLastError();
    win::unique_handle thread(info.hThread);
    return win::unique_handle(info.hProcess);
}

DWORD Finish(const win::unique_handle& process) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.get(), 150000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "a command hangs";
        TerminateProcess(process.get(), 1);
    }
    GetExitCodeProcess(process.get(), &code);
    return code;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    for (const ULONGLONG start = GetTickCount64(); !done(); Sleep(100)) {
        if (GetTickCount64() - start > timeoutMs) {
            return done();
        }
    }
    return true;
}

Lines ReadLog(const std::string& directory) {
    static const std::regex stamp(R"(^\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d )");
    static const std::regex clock(R"(^(====== YolInst starts at )\d\d:\d\d:\d\d(======)$)");
    std::ifstream file(directory + "\\yolinst.log", std::ios::binary);
    Lines records;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (std::regex_search(line, stamp)) {
            records.push_back(std::regex_replace(line.substr(19), clock, "$1hh:mm:ss$2"));
        } else if (!records.empty()) {
            records.back() += "\n" + line;
        }
    }
    return records;
}

testing::AssertionResult ContainsInOrder(const Lines& log, const Lines& wanted) {
    auto at = log.begin();
    for (const std::string& line : wanted) {
        if ((at = std::find(at, log.end(), line)) == log.end()) {
            testing::AssertionResult failure = testing::AssertionFailure();
            failure << "no [" << line << "] in its place in";
            for (const std::string& record : log) {
                failure << "\n  [" << record << "]";
            }
            return failure;
        }
        ++at;
    }
    return testing::AssertionSuccess();
}

Lines RunLines(const std::string& folder, const Lines& middle, bool succeeded) {
    return Lines{"<ServiceStart>To begin the service", "<ServiceStart>Set up pending",
                 "<ServiceStart>If already running",   "<ServiceStart>To create event",
                 "<ServiceStart>To create mutex",      "<ServiceStart>To wait for stop event",
                 "YolInst: Storage Path=" + folder} +
           middle +
           Lines{succeeded ? "YolInst: Auto-upgrade succeeded." : "YolInst: Auto-upgrade failed.",
                 "YolInst: Stopping Yolinst ...", "================= End ==================="};
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void SetValue(HKEY root, REGSAM view, const char* key, const char* name, DWORD type,
              const void* data, DWORD size) {
    win::unique_hkey opened;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE | view,
                                             nullptr, opened.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(opened.get(), name, 0, type, static_cast<const BYTE*>(data), size));
}

std::optional<DWORD> ReadDword(HKEY root, REGSAM view, const char* key, const char* name) {
    win::unique_hkey opened;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegOpenKeyExA(root, key, 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS ||
        RegQueryValueExA(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return std::nullopt;
    }
    return value;
}

win::unique_schandle OpenManager() {
    win::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    EXPECT_TRUE(manager) << "OpenSCManager: " << GetLastError();
    return manager;
}

bool ServiceExists(const char* name) {
    win::unique_schandle manager = OpenManager();
    win::unique_schandle service(OpenServiceA(manager.get(), name, SERVICE_QUERY_STATUS));
    return service || GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST;
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

void CAgentTest::SetUp() {
    // Two SCMs in one prefix answer alternately, so services seem to come and go.
    ASSERT_EQ(1, CountProcesses("services.exe"))
        << "the Wine prefix must run exactly one services.exe";
    Clean();
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    m_folder = "C:\\yol e2e\\" + name;
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
}

namespace {

// Stops and deletes the service if it exists, and waits until it is gone.
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

}  // namespace

void CAgentTest::Clean() {
    RemoveService(kService);
    RemoveService(kClientService);
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        win::unique_hkey software;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | view,
                          software.put()) == ERROR_SUCCESS) {
            const LONG result = RegDeleteTreeA(software.get(), "Zanthrex");
            EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
        }
    }
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "RUZIDUZU");
}

std::string CAgentTest::StageAgent(const std::string& subfolder, bool fastPoll) const {
    const std::string folder = subfolder.empty() ? m_folder : m_folder + "\\" + subfolder;
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(fastPoll ? g_inputs.fastPollProduct : g_inputs.product,
                               folder + "\\yolinst.exe");
    std::ofstream(folder + "\\yolinst.debug").put('\n');
    return folder + "\\yolinst.exe";
}

std::string CAgentTest::Stage(const Standin& standin, bool fastPoll,
                              const std::string& subfolder) const {
    const std::string exe = StageAgent(subfolder, fastPoll);
    const std::string setup =
        standin.variant.empty()
            ? g_inputs.standin
            : Folder(g_inputs.standin) + "\\standin-variants\\" + standin.variant + ".exe";
    std::filesystem::copy_file(setup, Folder(exe) + "\\setup.exe");
    std::ofstream(Folder(exe) + "\\standin.ini")
        << "[standin]\nresult=" << standin.result << "\nrun_ms=" << standin.runMs << "\n";
    return exe;
}

CAgentTest::SetupRecord CAgentTest::Record(const std::string& folder) {
    SetupRecord record;
    std::ifstream in(folder + "\\standin.record");
    for (std::string line; std::getline(in, line);) {
        if (const auto equals = line.find('='); equals != std::string::npos) {
            record.runs += line.compare(0, equals, "command_line") == 0;
            record.last[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return record;
}

void CAgentTest::Install(const std::string& exe) {
    ASSERT_EQ(0u, Execute(exe, "-install"));
    ASSERT_TRUE(ServiceExists(kService));
    std::ofstream(Folder(exe) + "\\yolinst.log", std::ios::trunc);
}

}  // namespace e2e

//   e2e_tests <yolinst.exe> <its fast-poll build> <stand-in setup.exe>
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: e2e_tests <yolinst> <yolinst-fastpoll> <setup>\n");
        return 2;
    }
    const auto windowsPath = [](std::string path) {
        std::replace(path.begin(), path.end(), '/', '\\');
        return (path[0] == '\\' ? "Z:" : "") + path;  // Wine maps the Unix root to drive Z:
    };
    e2e::g_inputs = {windowsPath(argv[1]), windowsPath(argv[2]), windowsPath(argv[3])};
    return RUN_ALL_TESTS();
}
