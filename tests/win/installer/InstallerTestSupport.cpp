#include "InstallerTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

std::string g_packageDir;

}  // namespace

std::string SamplePackage(const char* release) {
    return g_packageDir + "\\ZanthrexBastion-" + release + ".msi";
}

// --packages=<dir>: where the sample packages were built; a Unix path
// is reached through Wine's Z: drive.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    static constexpr char kOption[] = "--packages=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kOption, sizeof kOption - 1) == 0) {
            g_packageDir = argv[i] + sizeof kOption - 1;
        }
    }
    if (g_packageDir.empty()) {
        std::fprintf(stderr, "usage: %s --packages=<directory of the sample packages>\n", argv[0]);
        return 2;
    }
    if (g_packageDir[0] == '/') {
        g_packageDir = "Z:" + g_packageDir;
    }
    for (char& c : g_packageDir) {
        c = c == '/' ? '\\' : c;
    }
    return RUN_ALL_TESTS();
}
