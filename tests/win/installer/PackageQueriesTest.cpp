// The version check against real packages and Wine's msi.dll, with sample releases installed by
// msiexec for the length of one test.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "InstallerTestSupport.h"
#include "installer/CommandLineGenerator.h"

namespace {

constexpr char kProductCode6860[] = "{7A3C1E00-5B2D-4C6F-8E9A-000000000004}";
constexpr char kProductCode1000[] = "{7A3C1E00-5B2D-4C6F-8E9A-000000000003}";
constexpr char kUpgradeCode[] = "{5B4E3C2A-1D0F-4E8B-9A7C-6D5E4F3A2B1C}";

class PackageInspection : public testing::Test {
protected:
    // A product left installed by an earlier test would decide this one's outcome.
    void SetUp() override {
        CStaging staging("yol-probe", "12.1.6860.6400");
        CommandLineGenerator withCode(staging.path().c_str());
        withCode.Initialize();
        ASSERT_EQ(withCode.UpgradeCode(), kUpgradeCode);
        ASSERT_FALSE(withCode.IsRelatedProductInstalled()) << withCode.InstalledProductCode();
    }

    char m_buffer[CommandLineGenerator::kBufferSize] = {};
};

TEST_F(PackageInspection, WithoutAnMsiTheFolderIsOpenedAndNothingCountsAsInstalled) {
    CInstalledRelease installed("12.1.6860.6400");
    ASSERT_TRUE(installed.Installed()) << installed.ExitCode();
    CStaging staging("yol-nomsi");
    CCapturedLog log;
    CommandLineGenerator generator(staging.path().c_str());
    EXPECT_EQ(generator.GenerateCommandLine(m_buffer), 0);

    EXPECT_EQ(generator.PackagePath(), staging.path());
    EXPECT_EQ(generator.UpgradeCode(), "");
    EXPECT_FALSE(generator.IsRelatedProductInstalled());
    ASSERT_GE(log.Lines().size(), 3u);
    const std::string& openFailed = log.Lines()[0];
    EXPECT_EQ(openFailed.rfind("ERROR: MsiOpenDatabase failed with error ", 0), 0u) << openFailed;
    EXPECT_EQ(openFailed.substr(openFailed.size() - staging.path().size() - 4),
              " on " + staging.path());
    EXPECT_TRUE(log.HasLineStartingWith("ERROR: MsiEnumRelatedProducts failed with error "));
    EXPECT_TRUE(log.HasLineStartingWith("New Version = 0.0.0.0 Installed Version = "));
    EXPECT_FALSE(log.HasLineStartingWith("ERROR: attempting"));
}

TEST_F(PackageInspection, SameVersionPassesAndAnOlderOneIsRefusedAtTheThirdComponent) {
    CInstalledRelease installed("12.1.6860.6400");
    ASSERT_TRUE(installed.Installed()) << installed.ExitCode();
    {
        CStaging same("yol-same", "12.1.6860.6400");
        CCapturedLog log;
        CommandLineGenerator generator(same.path().c_str());
        EXPECT_EQ(generator.GenerateCommandLine(m_buffer), 0);
        EXPECT_EQ(generator.InstalledProductCode(), kProductCode6860);
        EXPECT_TRUE(log.HasLineStartingWith(
            "New Version = 12.1.6860.6400 Installed Version = 12.1.6860.6400"));
    }
    CStaging older("yol-older", "12.1.671.4971");
    CCapturedLog log;
    CommandLineGenerator generator(older.path().c_str());
    EXPECT_EQ(generator.GenerateCommandLine(m_buffer), 114);
    EXPECT_TRUE(
        log.HasLineStartingWith("ERROR: attempting to install lower version 12.1.671.4971 "
                                "over version 12.1.6860.6400"));
    // The refused line has still been written; the caller must not run it.
    EXPECT_EQ(std::string(m_buffer).rfind("\"" + older.path() + "\\setup.exe\" /w /s /v\"", 0), 0u);
}

TEST_F(PackageInspection, NewerPackagePassesAtTheThirdComponent) {
    CInstalledRelease installed("12.1.671.4971");
    ASSERT_TRUE(installed.Installed()) << installed.ExitCode();
    CStaging newer("yol-newer", "12.1.6860.6400");
    CCapturedLog log;
    CommandLineGenerator generator(newer.path().c_str());
    EXPECT_EQ(generator.GenerateCommandLine(m_buffer), 0);
    EXPECT_TRUE(
        log.HasLineStartingWith("New Version = 12.1.6860.6400 Installed Version = 12.1.671.4971"));
    EXPECT_FALSE(log.HasLineStartingWith("ERROR:"));
}

TEST_F(PackageInspection, HighestOfSeveralRelatedProductsIsTheInstalledOne) {
    // Installed lowest, highest, middle: neither the first nor the last enumerated is the answer.
    CInstalledRelease lowest("11.0.5002.333");
    CInstalledRelease highest("12.1.1000.157");
    CInstalledRelease middle("12.1.671.4971");
    ASSERT_TRUE(lowest.Installed() && highest.Installed() && middle.Installed());

    CStaging staging("yol-related", "12.1.671.4971");
    CommandLineGenerator generator(staging.path().c_str());
    generator.Initialize();
    std::string code;
    EXPECT_EQ(generator.FindHighestRelatedProduct(code), 0u);
    EXPECT_EQ(code, kProductCode1000);
    EXPECT_EQ(generator.InstalledProductCode(), kProductCode1000);
    std::string version;
    ASSERT_TRUE(generator.GetInstalledVersion(version));
    EXPECT_EQ(version, "12.1.1000.157");

    // 12.1.671.4971 is installed too, but the check is made against the highest.
    CCapturedLog log;
    EXPECT_EQ(CommandLineGenerator(staging.path().c_str()).GenerateCommandLine(m_buffer), 114);
    EXPECT_TRUE(
        log.HasLineStartingWith("ERROR: attempting to install lower version 12.1.671.4971 "
                                "over version 12.1.1000.157"));
}

TEST_F(PackageInspection, PackageWithoutUpgradeCodeIsNeverComparedAndReadsItsVersion) {
    CInstalledRelease installed("12.1.6860.6400");
    ASSERT_TRUE(installed.Installed()) << installed.ExitCode();
    CStaging staging("yol-nocode", "NoUpgradeCode");
    CCapturedLog log;
    CommandLineGenerator generator(staging.path().c_str());
    EXPECT_EQ(generator.GenerateCommandLine(m_buffer), 0);
    EXPECT_EQ(generator.UpgradeCode(), "");
    EXPECT_EQ(generator.PackagePath(), staging.File("ZanthrexBastion.msi"));
    EXPECT_EQ(log.Lines().at(0), "ERROR: MsiViewFetch failed with error 259");
    EXPECT_TRUE(log.HasLineStartingWith("New Version = 11.0.5002.333 Installed Version = "));
    EXPECT_FALSE(log.HasLineStartingWith("ERROR: attempting"));
}

TEST_F(PackageInspection, PropertyQueryFailuresAreLoggedAndLeaveTheValueUntouched) {
    CStaging staging("yol-query", "12.1.6860.6400");
    const std::string package = staging.File("ZanthrexBastion.msi");
    CommandLineGenerator generator(staging.path().c_str());
    CCapturedLog log;
    std::string value = "untouched";

    EXPECT_EQ(generator.QueryPackageProperty(package, "ProductVersion", value), 0u);
    EXPECT_EQ(value, "12.1.6860.6400");
    value = "untouched";
    // Longer than the 260-character buffer.
    EXPECT_EQ(generator.QueryPackageProperty(package, "ZanthrexLongValue", value), 234u);
    EXPECT_EQ(generator.QueryPackageProperty(package, "Not'Quoted", value), 1615u);
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "ERROR: MsiRecordGetString failed with error 234",
                               "ERROR: MsiDatabaseOpenView failed with error 1615 from query "
                               "SELECT * FROM Property WHERE `Property`='Not'Quoted'",
                           }));
}

TEST_F(PackageInspection, CorruptOrTruncatedPackageReadsAsNoPackage) {
    CStaging staging("yol-corrupt");
    const std::string package = staging.File("ZanthrexBastion.msi");
    std::string whole;
    {
        std::ifstream in(SamplePackage("12.1.6860.6400"), std::ios::binary);
        whole.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_GT(whole.size(), 4096u);
    std::string garbage = whole;
    for (std::size_t i = 0; i < garbage.size(); i += 7) {
        garbage[i] = static_cast<char>(garbage[i] ^ 0x5A);
    }
    for (const std::string& content : {whole.substr(0, 4096), whole.substr(0, 600), garbage}) {
        std::ofstream(package, std::ios::binary | std::ios::trunc) << content;
        CCapturedLog log;
        CommandLineGenerator generator(staging.path().c_str());
        std::string value = "untouched";
        EXPECT_NE(generator.QueryPackageProperty(package, "UpgradeCode", value), 0u);
        EXPECT_EQ(value, "untouched");
        EXPECT_EQ(generator.GenerateCommandLine(m_buffer), 0);
        EXPECT_EQ(generator.PackagePath(), package);
        EXPECT_EQ(generator.GetPackageVersion(), "0.0.0.0");
        EXPECT_EQ(generator.UpgradeCode(), "");
        EXPECT_TRUE(log.HasLineStartingWith("ERROR: Msi")) << log.Lines().at(0);
    }
}

}  // namespace
