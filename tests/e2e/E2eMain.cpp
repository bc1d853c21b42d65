// The programs under test come from the command line:
//   e2e_tests --yolinst=<yolinst.exe> --yolinst-fastpoll=<its fast-poll build>
//   --standin=<setup.exe>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "E2eSupport.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        auto value = [&](const std::string& flag) {
            return argument.rfind(flag, 0) == 0 ? argument.substr(flag.size()) : std::string();
        };
        if (const std::string path = value("--yolinst="); !path.empty()) {
            e2e::SetProductPath(path);
        } else if (const std::string fast = value("--yolinst-fastpoll="); !fast.empty()) {
            e2e::SetFastPollProductPath(fast);
        } else if (const std::string standin = value("--standin="); !standin.empty()) {
            e2e::SetStandinPath(standin);
        } else if (const std::string packages = value("--packages="); !packages.empty()) {
            e2e::SetPackagesDir(packages);
        }
    }
    if (e2e::ProductPath().empty() || e2e::FastPollProductPath().empty() ||
        e2e::StandinPath().empty()) {
        std::fprintf(
            stderr,
            "usage: e2e_tests --yolinst=<path> --yolinst-fastpoll=<path> --standin=<path>\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
