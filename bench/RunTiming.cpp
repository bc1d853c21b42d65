// How much time the agent adds to one upgrade run, beside the 500 ms the run waits for a stop
// request before it begins. Measured two ways:
//  - end to end: from the creation of the service's process to the creation of setup's process
//    (process creation times, so setup's own start-up is not counted), plus from setup's end to
//    the service's stopped report;
//  - the agent's own code: the same stretches by the stamps of its debug log, which leave out the
//    platform starting the agent's process and loading its system DLLs.
// A stand-in setup.exe that writes result 0 and exits at once records its times. Beside them, the
// platform alone verifying setup.exe in a fresh process (bench_platform_trust): its share of the
// agent's code, which the agent cannot avoid.
//
// Usage: bench_run_timing <yolinst.exe> <stand-in setup.exe> [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "win/unique_any.h"

namespace {

constexpr char kStage[] = "C:\\yol bench";
constexpr double kMandatedMs = 500;
constexpr double kTargetShare = 20.0;

std::string Staged(const char* name) {
    return std::string(kStage) + "\\" + name;
}

long long Ms(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<long long>(value.QuadPart / 10000);
}

long long NowMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ms(now);
}

std::string Windows(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        std::string converted = "Z:" + path;
        std::replace(converted.begin(), converted.end(), '/', '\\');
        return converted;
    }
    return path;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s (error %lu)\n", what, GetLastError());
    std::exit(1);
}

DWORD Run(const std::string& exe, const char* argument) {
    std::string commandLine = "\"" + exe + "\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        Fail("cannot run the agent");
    }
    win::unique_handle process(info.hProcess);
    win::unique_handle thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

void ResetRegistry() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "RUZIDUZU");
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        win::unique_hkey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | view, key.put()) ==
            ERROR_SUCCESS) {
            RegDeleteTreeA(key.get(), "Zanthrex");
        }
    }
}

long long RecordValue(const std::string& record, const std::string& key) {
    std::ifstream in(record);
    long long value = -1;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key + "=", 0) == 0) {
            value = std::atoll(line.c_str() + key.size() + 1);
        }
    }
    return value;
}

// Milliseconds since midnight of the first log record whose text starts with `text`, or -1.
// Records read "MM/DD hh:mm:ss.mmm text".
long long LogStamp(const std::string& log, const std::string& text) {
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.size() > 19 && line.compare(19, text.size(), text) == 0) {
            const long long h = std::atoi(line.c_str() + 6);
            const long long m = std::atoi(line.c_str() + 9);
            const long long s = std::atoi(line.c_str() + 12);
            const long long ms = std::atoi(line.c_str() + 15);
            return ((h * 60 + m) * 60 + s) * 1000 + ms;
        }
    }
    return -1;
}

// When the system created the service's process: the agent's clock starts there.
long long ServiceProcessCreatedMs(SC_HANDLE service) {
    for (int i = 0; i < 2000; ++i) {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                 sizeof status, &needed) &&
            status.dwProcessId != 0) {
            win::unique_handle process(
                OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, status.dwProcessId));
            FILETIME created, exited, kernel, user;
            if (process && GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) {
                return Ms(created);
            }
        }
        Sleep(1);
    }
    return 0;
}

struct Sample {
    long long toSetup;    // service process created -> setup process created (with the wait)
    long long toStopped;  // setup ended -> service reported stopped
    long long ownCode;    // the agent's code before setup, by its log (without the wait)
};

Sample OneRun(const std::string& agent) {
    const std::string record = Staged("standin.record");
    const std::string log = Staged("yolinst.log");
    ResetRegistry();
    DeleteFileA(record.c_str());
    DeleteFileA(log.c_str());
    Run(agent, "-install");
    win::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    win::unique_schandle service(OpenServiceA(manager.get(), "Yolinst", SERVICE_ALL_ACCESS));
    if (!service) {
        Fail("the service was not installed");
    }
    if (!StartServiceA(service.get(), 0, nullptr)) {
        Fail("StartService failed");
    }
    const long long serviceCreated = ServiceProcessCreatedMs(service.get());
    SERVICE_STATUS status = {};
    long long stopped = 0;
    while (QueryServiceStatus(service.get(), &status)) {
        if (status.dwCurrentState == SERVICE_STOPPED) {
            stopped = NowMs();
            break;
        }
        Sleep(2);
    }
    service.reset();
    // The stopped service removes itself; wait for that before the next run installs again.
    for (int i = 0; i < 500; ++i) {
        win::unique_schandle gone(OpenServiceA(manager.get(), "Yolinst", SERVICE_QUERY_STATUS));
        if (!gone && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
            break;
        }
        Sleep(20);
    }
    const long long setupCreated = RecordValue(record, "created_ms");
    const long long ended = RecordValue(record, "ended_ms");
    if (setupCreated <= 0 || ended < 0 || stopped == 0 || serviceCreated == 0) {
        Fail("the run did not complete (setup record or stop missing)");
    }
    // From the service process's first log record to its look at the stop event, and from the end
    // of that look to the launch of setup.
    const long long ownCode =
        (LogStamp(log, "<ServiceStart>To wait for stop event") -
         LogStamp(log, "Begin to call <mfn_Runservice>.")) +
        (LogStamp(log, "Successfully created new mutex") - LogStamp(log, "YolInst: Storage Path="));
    return {setupCreated - serviceCreated, stopped - ended, ownCode};
}

long long Median(std::vector<long long> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Report(const char* what, double ms) {
    const double share = 100.0 * ms / kMandatedMs;
    std::printf("%s: %.0f ms = %.1f%% on top of the mandated %.0f ms (target <= %.0f%%): %s\n",
                what, ms, share, kMandatedMs, kTargetShare,
                share <= kTargetShare ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <yolinst.exe> <setup.exe> [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    CreateDirectoryA(kStage, nullptr);
    const std::string agent = Staged("yolinst.exe");
    CopyFileA(Windows(argv[1]).c_str(), agent.c_str(), FALSE);
    CopyFileA(Windows(argv[2]).c_str(), Staged("setup.exe").c_str(), FALSE);
    // The debug log's stamps split the agent's own code from the platform's process start-up.
    win::unique_handle(CreateFileA(Staged("yolinst.debug").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, 0, nullptr));

    std::vector<long long> toSetup, toStopped, ownCode;
    for (int i = 0; i < runs; ++i) {
        const Sample sample = OneRun(agent);
        toSetup.push_back(sample.toSetup);
        toStopped.push_back(sample.toStopped);
        ownCode.push_back(sample.ownCode);
        std::printf(
            "run %d: agent created->setup created %lld ms, setup end->stopped %lld ms, agent code "
            "before setup %lld ms\n",
            i + 1, sample.toSetup, sample.toStopped, sample.ownCode);
    }
    const long long before = Median(toSetup);
    const long long after = Median(toStopped);
    std::printf("median agent created->setup created: %lld ms (the mandated wait included)\n",
                before);
    std::printf("median setup end->stopped: %lld ms\n", after);
    Report("agent process, end to end", static_cast<double>(before + after) - kMandatedMs);
    Report("agent's own code", static_cast<double>(Median(ownCode) + after));
    std::printf("(the difference: the platform starting the agent's process and its DLLs)\n");

    // The platform's share of the agent's code: one verification in a fresh process.
    std::vector<long long> platform;
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string probe = self;
    probe = probe.substr(0, probe.rfind('\\') + 1) + "bench_platform_trust.exe";
    for (int i = 0; i < runs; ++i) {
        const long long ms =
            static_cast<int>(Run(probe, ("\"" + Staged("setup.exe") + "\"").c_str()));
        if (ms < 0) {
            Fail("the platform alone did not verify setup.exe");
        }
        platform.push_back(ms);
    }
    const long long platformMs = Median(platform);
    std::printf(
        "median platform verification in a fresh process (first ROOT open, WinVerifyTrust): "
        "%lld ms\n",
        platformMs);
    Report("agent's own code less the platform's verification",
           static_cast<double>(Median(ownCode) + after - platformMs));
    return 0;
}
