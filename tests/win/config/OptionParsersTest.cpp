// The three option parsers writing zudUvu.ini through Wine's profile functions.
#include <windows.h>

#include <string>

#include "ConfigTestSupport.h"
#include "config/FeatureOptParser.h"
#include "config/InstallOptParser.h"
#include "config/RebootOptParser.h"

namespace configtest {
namespace {

std::uint32_t RunFeatureParser(const std::string& directory) {
    CFeatureOptParser parser(directory.c_str());
    parser.SetSection("FEATURE_SELECTION");
    return parser.propigateOptions();
}

// UTF-8: an e with acute accent, which code page 1252 holds, and a CJK character, which it lacks.
const std::string kConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<ManagementConfig>
  <ClientPackage Checksum="ABCD">
    <InstallationOption InstallationDirectory="D:\Zanthrex )"
                            "\xC3\xA9\xE4\xB8\xAD"
                            R"("
        EnableZeDaduzSubMission="1" KeepAllDataOnUpgrade=""/>
    <RebootOptions Randomize="0" AutoReboot=" 1" HardReboot="2" PromptUser="true"
        PromptMessage="Save\\nnow" Countdown="30"/>
    <EnabledClientFeatures>
      <Feature FeatureName="A"/><Feature FeatureName="Pop3Smtp"/><Feature FeatureName="B"/>
    </EnabledClientFeatures>
  </ClientPackage>
</ManagementConfig>
)";

TEST_F(ConfigTest, ParsersCarryTheSelectedPackagesChoicesIntoZudUvu) {
    ASSERT_EQ(GetACP(), 1252u) << "the expected texts are those of code page 1252";
    WriteConfig(kConfig);
    WriteZudUvu(
        "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=ABCD\r\n[CUSTOM_YOL_CONFIG]\r\n"
        "DestinationDirectory=C:\\Old\r\nReducedSize=0\r\n[FEATURE_SELECTION]\r\nOld=1\r\n"
        "[DX_CONFIG]\r\nLanguage=en_us\r\n");
    SetProductString(KEY_WOW64_32KEY, "ProductFeaturesValidButNotAllowed", "Pop3Smtp,B");
    SetProductString(KEY_WOW64_64KEY, "ProductFeaturesValidButNotAllowed", "A");
    ASSERT_TRUE(SetFileAttributesA(ZudUvu().c_str(), FILE_ATTRIBUTE_READONLY));

    CInstallOptParser install(m_package.path().c_str());
    EXPECT_EQ(GetFileAttributesA(ZudUvu().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(install.propigateOptions(), 0u);
    const std::string custom =
        "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=ABCD\r\n[CUSTOM_YOL_CONFIG]\r\n"
        "DestinationDirectory=D:\\Zanthrex \xE9?\r\nReducedSize=0\r\nOptOutRepSubmission=1\r\n";
    const std::string old = "[FEATURE_SELECTION]\r\nOld=1\r\n",
                      dx = "[DX_CONFIG]\r\nLanguage=en_us\r\n";
    EXPECT_EQ(ReadFileText(ZudUvu()), custom + old + dx);

    EXPECT_EQ(CRebootOptParser(m_package.path().c_str()).propigateOptions(), 13u);
    const std::string reboot =
        "AutoReboot=true\r\nRebootRandomize=false\r\nCountdown=30\r\nRebootPromptMessage=Save";
    EXPECT_EQ(ReadFileText(ZudUvu()), custom + reboot + "\nnow\r\n" + old + dx);

    // The next write reads the decoded line feed back as the end of a line.
    EXPECT_EQ(RunFeatureParser(m_package.path()), 0u);
    EXPECT_EQ(ReadFileText(ZudUvu()),
              custom + reboot + "\r\nnow\r\n" + dx + "[FEATURE_SELECTION]\r\nA=1\r\n");
}

// With the client's service installed its values are read in the 64-bit view, where the 32-bit
// view's "A" is not seen.
TEST_F(ConfigTest, FeatureFilterIsReadInTheClientsView) {
    WriteConfig(kConfig);
    const CClientService client;
    SetProductString(KEY_WOW64_32KEY, "ProductFeaturesValidButNotAllowed", "A");
    SetProductString(KEY_WOW64_64KEY, "ProductVersion", "12.0");
    SetProductString(KEY_WOW64_64KEY, "yol_install_path", m_config.path());
    const std::string zudUvu = "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=ABCD\r\n",
                      written = zudUvu + "[FEATURE_SELECTION]\r\nA=1\r\nPop3Smtp=1\r\nB=1\r\n";
    // On this 64-bit machine "Pop3Smtp" alone filters nothing.
    SetProductString(KEY_WOW64_64KEY, "ProductFeaturesValidButNotAllowed", "Pop3Smtp");
    WriteZudUvu("[FEATURE_SELECTION]\r\nOld=1\r\n" + zudUvu);
    EXPECT_EQ(RunFeatureParser(m_package.path()), 0u);
    EXPECT_EQ(ReadFileText(ZudUvu()), written);
    EXPECT_EQ(m_log.text, "");
    // Without the value nothing is filtered either, and that is reported.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kProductKey, "ProductFeaturesValidButNotAllowed");
    WriteZudUvu("[FEATURE_SELECTION]\r\nOld=1\r\n" + zudUvu);
    EXPECT_EQ(RunFeatureParser(m_package.path()), 0u);
    EXPECT_EQ(ReadFileText(ZudUvu()), written);
    EXPECT_EQ(m_log.text,
              "CFeatureOptParser::propigateOptions - Unable to read value "
              "'ProductFeaturesValidButNotAllowed'\n");
}

TEST_F(ConfigTest, FailedWritesGive29AndTheFeatureSectionGoesWithoutConfig) {
    WriteConfig(R"(<c><ClientPackage><InstallationOption InstallationDirectory="D:\x"/>
        <RebootOptions AutoReboot="7" Countdown="1"/>
        <EnabledClientFeatures><F FeatureName="A"/></EnabledClientFeatures></ClientPackage></c>)");
    const std::string nowhere = m_package.path() + "\\missing";
    EXPECT_EQ(CInstallOptParser(nowhere.c_str()).propigateOptions(), 29u);
    EXPECT_EQ(CRebootOptParser(nowhere.c_str()).propigateOptions(), 29u);  // 13, then 29
    EXPECT_EQ(RunFeatureParser(nowhere), 29u);

    DeleteFileA(m_config.File("config.xml").c_str());
    WriteZudUvu("[FEATURE_SELECTION]\r\nOld=1\r\n[X]\r\nk=v\r\n");
    EXPECT_EQ(CInstallOptParser(m_package.path().c_str()).propigateOptions(), 0u);
    EXPECT_EQ(CRebootOptParser(m_package.path().c_str()).propigateOptions(), 0u);
    EXPECT_EQ(RunFeatureParser(m_package.path()), 0u);
    EXPECT_EQ(ReadFileText(ZudUvu()), "[X]\r\nk=v\r\n");
}

}  // namespace
}  // namespace configtest
