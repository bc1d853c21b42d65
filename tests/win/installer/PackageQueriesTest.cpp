// The version check against real packages and Wine's msi.dll, with sample releases installed in
// this process for the length of one case; and the binary's entry point.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "../TempDir.h"
#include "installer/CommandLineGenerator.h"

namespace {

std::string g_packageDir;

// The sample package of `release` ("12.1.6860.6400", "NoUpgradeCode", ...) as a Windows path.
std::string SamplePackage(const char* release) {
    return g_packageDir + "\\ZanthrexBastion-" + release + ".msi";
}

// Sample releases installed for the lifetime of the object. Uninstalling one of several products
// of an upgrade code empties Wine's related-product index, so every case installs afresh and
// removes all it installed before the next one starts.
struct CInstalledReleases {
    explicit CInstalledReleases(std::vector<const char*> list) : releases(std::move(list)) {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        for (const char* release : releases) {
            EXPECT_EQ(MsiInstallProductA(SamplePackage(release).c_str(), ""), 0u) << release;
        }
    }
    ~CInstalledReleases() {
        for (const char* release : releases) {
            EXPECT_EQ(MsiInstallProductA(SamplePackage(release).c_str(), "REMOVE=ALL"), 0u)
                << release;
        }
    }
    std::vector<const char*> releases;
};

TEST(PackageInspection, TheHighestInstalledRelatedProductDecides) {
    const char *const k6860 = "12.1.6860.6400", *const k1000 = "12.1.1000.157",
                      *const k671 = "12.1.671.4971", *const k11 = "11.0.5002.333";
    // Installed releases, the staged .msi file, the result, and the package and installed
    // versions the generator read.
    const std::tuple<std::vector<const char*>, std::string, int, const char*, const char*> rows[] =
        {
            // Installed lowest, highest, middle: neither the first nor the last enumerated decides.
            {{k11, k1000, k671}, ReadFileText(SamplePackage(k671)), 114, k671, k1000},
            // Without UpgradeCode in its Property table the package is compared with nothing.
            {{k6860}, ReadFileText(SamplePackage("NoUpgradeCode")), 0, k11, ""},
        };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& [releases, package, result, packageVersion, installedVersion] = rows[i];
        SCOPED_TRACE(testing::Message() << "row " << i);
        CInstalledReleases installed(releases);
        CTempDir staging("yol-package");
        WriteFileText(staging.File("ZanthrexBastion.msi"), package);
        CommandLineGenerator generator(staging.path().c_str());
        char buffer[CommandLineGenerator::kBufferSize] = {};
        EXPECT_EQ(generator.GenerateCommandLine(buffer), result);
        EXPECT_EQ(generator.GetPackageVersion(), packageVersion);
        std::string version;
        if (generator.IsRelatedProductInstalled()) {
            EXPECT_TRUE(generator.GetInstalledVersion(version));
        }
        EXPECT_EQ(version, installedVersion);
    }
}

}  // namespace

// --packages=<dir>: where the sample packages were built; a Unix path is reached through Wine's Z:
// drive.
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
    std::replace(g_packageDir.begin(), g_packageDir.end(), '/', '\\');
    return RUN_ALL_TESTS();
}
