// The version check against real packages and Wine's msi.dll, with sample releases installed in
// this process for the length of one case.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "../TempDir.h"
#include "installer/CommandLineGenerator.h"

namespace {

// The sample package of `release` ("12.1.6860.6400", "NoUpgradeCode", ...); the test's
// environment names their directory as a Windows path.
std::string SamplePackage(const char* release) {
    const char* directory = std::getenv("YOL_SAMPLE_PACKAGES");
    return std::string(directory != nullptr ? directory : "<YOL_SAMPLE_PACKAGES unset>") +
           "\\ZanthrexBastion-" + release + ".msi";
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
