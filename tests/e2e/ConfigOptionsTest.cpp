// The administrator's choices reach setup: the real service carries config.xml's options for the
// staged package into its zudUvu.ini and builds setup's command line with them.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "E2eSupport.h"

namespace e2e {
namespace {

constexpr char kSilo[] = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
constexpr char kProductKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL";

void SetString(const std::string& key, const char* name, const std::string& value) {
    SetValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key.c_str(), name, REG_SZ, value.c_str(),
             static_cast<DWORD>(value.size() + 1));
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A 12.1 client without its service: its keys are in the 32-bit view, and config.xml lies in the
// directory the isolation profile's path expansion map names as QENCONFIGDIR.
class ConfigOptions : public CAgentTest {
protected:
    void SetUp() override {
        CAgentTest::SetUp();
        m_config = m_folder + "\\client config";
        std::filesystem::create_directories(m_config);
        std::ofstream(m_folder + "\\isolate.ini") << "[isolation]\r\nsilo=" << kSilo << "\r\n";
        SetString(
            std::string("Software\\Zanthrex\\Isolation\\") + kSilo + "\\Quarry\\PathExpansionMap",
            "QENCONFIGDIR", m_config);
        SetString(kProductKey, "ProductVersion", "12.1.671");
        SetString(kProductKey, "ProductFeaturesValidButNotAllowed", "Pop3Smtp,B");
        Stage({});
        std::ofstream(m_folder + "\\zudUvu.ini")
            << "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=5EC0\r\nAppType=ZB\r\n"
               "PlatformType=WIN64BIT\r\n[CUSTOM_YOL_CONFIG]\r\nReducedSize=1\r\n"
               "[FEATURE_SELECTION]\r\nOld=1\r\n";
    }

    // Runs the service to its end; the command line setup received.
    std::string Run() {
        Install(m_folder + "\\yolinst.exe");
        EXPECT_EQ(0u, Execute(m_folder + "\\yolinst.exe", "-start"));
        EXPECT_TRUE(WaitUntil([] { return !ServiceExists(kService); }, 60000));
        const std::string record = ReadText(m_folder + "\\standin.record");
        const size_t at = record.find("command_line=");
        return at == std::string::npos ? ""
                                       : record.substr(at + 13, record.find('\r', at) - at - 13);
    }
    std::string CommandLine(const std::string& options) const {
        return "\"" + m_folder + "\\setup.exe\" /w /s /v\"" + options +
               " YOLPID=" + std::to_string(GetCurrentProcessId()) +
               " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"";
    }

    std::string m_config;
};

TEST_F(ConfigOptions, SecondPackageSelectedByChecksumConfiguresSetup) {
    std::ofstream(m_config + "\\config.xml") << R"(<?xml version="1.0"?>
<ManagementConfig>
  <ClientPackage Checksum="0000" Product="Zanthrex Bastion Win64" Type="ZB.1" Language="en_us">
    <InstallationOption UserInterfaceLevel="Normal" InstallationDirectory="C:\Wrong"/>
  </ClientPackage>
  <ClientPackage Checksum="5ec0" Product="Zanthrex Bastion Win64" Type="ZB.1" Language="en_us">
    <InstallationOption UserInterfaceLevel="unattended" InstallationLogFileName="C:\logs\zb.log"
        InstallationDirectory="D:\Zanthrex" KeepAllDataOnUpgrade="1"/>
    <RebootOptions AutoReboot="yes" HardReboot="0" PromptMessage="Restart\nnow"/>
    <EnabledClientFeatures>
      <Feature FeatureName="A"/><Feature FeatureName="B"/><Feature FeatureName="Pop3Smtp"/>
    </EnabledClientFeatures>
  </ClientPackage>
</ManagementConfig>
)";
    EXPECT_EQ(Run(), CommandLine("/qb!- /l*v C:\\logs\\zb.log"));
    EXPECT_EQ(ReadText(m_folder + "\\zudUvu.ini"),
              "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=5EC0\r\nAppType=ZB\r\n"
              "PlatformType=WIN64BIT\r\n[CUSTOM_YOL_CONFIG]\r\nReducedSize=1\r\n"
              "DestinationDirectory=D:\\Zanthrex\r\nKeepPreviousSetting=1\r\nHardReboot=false\r\n"
              // The decoded line feed splits the value; the next profile write keeps two lines.
              "RebootPromptMessage=Restart\r\nnow\r\n[FEATURE_SELECTION]\r\nA=1\r\n");
    const Lines log = ReadLog(m_folder);
    EXPECT_TRUE(
        ContainsInOrder(log, {"Setup path = " + m_folder + "\\setup.exe",
                              "ERROR: Unable to update " + m_folder +
                                  "\\zudUvu.ini with reboot options from config.xml - 0x000d",
                              "Successfully created new mutex"}))
        << Dump(log);
}

TEST_F(ConfigOptions, WithoutConfigXmlSetupRunsAndNoFeatureIsSelected) {
    std::ofstream(m_folder + "\\Setup.ini") << "[Startup]\r\nCmdLine=/l*v C:\\logs\\setup.log\r\n";
    EXPECT_EQ(Run(), CommandLine("/qn /l*v C:\\logs\\setup.log"));
    EXPECT_EQ(ReadText(m_folder + "\\zudUvu.ini"),
              "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=5EC0\r\nAppType=ZB\r\n"
              "PlatformType=WIN64BIT\r\n[CUSTOM_YOL_CONFIG]\r\nReducedSize=1\r\n");
}

}  // namespace
}  // namespace e2e
