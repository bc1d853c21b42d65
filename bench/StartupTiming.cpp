// A command's start-up against a trivial GUI program that imports the same system DLLs: each is
// started and waited for in turn, many times, and the medians compared.
//
// Usage: bench_startup_timing <yolinst.exe> <trivial.exe> <argument> [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "win/unique_any.h"

namespace {

double RunMs(const std::string& exe, const std::string& argument) {
    std::string commandLine = "\"" + exe + "\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        std::exit(1);
    }
    win::unique_handle process(info.hProcess);
    win::unique_handle thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <yolinst.exe> <trivial.exe> <argument> [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 20;
    RunMs(argv[1], argv[3]);  // both once first: the DLLs come into the page cache
    RunMs(argv[2], "");
    std::vector<double> agent, trivial;
    for (int run = 0; run < runs; ++run) {
        agent.push_back(RunMs(argv[1], argv[3]));
        trivial.push_back(RunMs(argv[2], ""));
    }
    const double a = Median(agent), t = Median(trivial);
    std::printf("yolinst.exe %s median ms: %.1f\ntrivial GUI exe median ms: %.1f\n", argv[3], a, t);
    std::printf("ratio: %.2f (goal: at most 1.1)\n", a / t);
    return 0;
}
