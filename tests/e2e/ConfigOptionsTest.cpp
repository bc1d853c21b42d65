// The administrator's choices reach setup: the real service carries config.xml's options for the
// staged package into its zudUvu.ini and builds setup's command line with them.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "E2eSupport.h"

namespace e2e {
namespace {

std::string ReadText(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void SetString(const std::string& key, const char* name, const std::string& value) {
    SetValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key.c_str(), name, REG_SZ, value.c_str(),
             static_cast<DWORD>(value.size() + 1));
}

constexpr char kIdentity[] =
    "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=5EC0\r\nAppType=ZB\r\nPlatformType=WIN64BIT\r\n"
    "[CUSTOM_YOL_CONFIG]\r\nReducedSize=1\r\n";

// A 12.1 client without its service (keys in the 32-bit view) keeps config.xml where the
// isolation profile's path expansion map puts QENCONFIGDIR. The agent runs the stand-in setup;
// returns the command line it received.
class ConfigOptions : public CAgentTest {
protected:
    std::string Run(const char* configXml) {
        const std::string silo = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}",
                          config = m_folder + "\\cfg";
        std::filesystem::create_directories(config);
        std::ofstream(m_folder + "\\isolate.ini") << "[isolation]\r\nsilo=" << silo << "\r\n";
        SetString("Software\\Zanthrex\\Isolation\\" + silo + "\\Quarry\\PathExpansionMap",
                  "QENCONFIGDIR", config);
        SetString(kProductKey, "ProductVersion", "12.1.671");
        SetString(kProductKey, "ProductFeaturesValidButNotAllowed", "Pop3Smtp,B");
        std::ofstream(config + "\\config.xml") << configXml;
        std::ofstream(m_folder + "\\zudUvu.ini") << kIdentity << "[FEATURE_SELECTION]\r\nOld=1\r\n";
        std::ofstream(m_folder + "\\Setup.ini")
            << "[Startup]\r\nCmdLine=/l*v C:\\logs\\setup.log\r\n";
        Install(Stage({}));
        EXPECT_EQ(0u, Execute(m_folder + "\\yolinst.exe", "-start"));
        EXPECT_TRUE(WaitUntil([] { return !ServiceExists(kService); }, 60000));
        const std::string record = ReadText(m_folder + "\\standin.record");
        const size_t at = record.find("command_line=") + 13;
        return record.substr(at, record.find('\r', at) - at);
    }
    std::string CommandLine(const std::string& options) const {
        return "\"" + m_folder + "\\setup.exe\" /w /s /v\"" + options +
               " YOLPID=" + std::to_string(GetCurrentProcessId()) +
               " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"";
    }
    static constexpr char kProductKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL";
};

TEST_F(ConfigOptions, SecondPackageSelectedByChecksumConfiguresSetup) {
    EXPECT_EQ(Run(R"(<ManagementConfig>
  <ClientPackage Checksum="0000" Product="Zanthrex Bastion Win64" Type="ZB.1" Language="en_us">
    <InstallationOption UserInterfaceLevel="Normal" InstallationDirectory="C:\Wrong"/>
  </ClientPackage>
  <ClientPackage Checksum="5ec0">
    <InstallationOption UserInterfaceLevel="unattended" InstallationLogFileName="C:\logs\zb.log"
        InstallationDirectory="D:\Zanthrex" KeepAllDataOnUpgrade="1"/>
    <RebootOptions AutoReboot="yes" HardReboot="0" PromptMessage="Restart\nnow"/>
    <EnabledClientFeatures>
      <Feature FeatureName="A"/><Feature FeatureName="B"/><Feature FeatureName="Pop3Smtp"/>
    </EnabledClientFeatures>
  </ClientPackage>
</ManagementConfig>)"),
              CommandLine("/qb!- /l*v C:\\logs\\zb.log"));
    // The decoded line feed splits the prompt; the next profile write keeps two lines.
    EXPECT_EQ(
        ReadText(m_folder + "\\zudUvu.ini"),
        std::string(kIdentity) +
            "DestinationDirectory=D:\\Zanthrex\r\nKeepPreviousSetting=1\r\nHardReboot=false\r\n"
            "RebootPromptMessage=Restart\r\nnow\r\n[FEATURE_SELECTION]\r\nA=1\r\n");
    const Lines log = ReadLog(m_folder);
    EXPECT_TRUE(ContainsInOrder(log, {"Setup path = " + m_folder + "\\setup.exe",
                                      "ERROR: Unable to update " + m_folder +
                                          "\\zudUvu.ini with reboot options from config.xml - "
                                          "0x000d",
                                      "Successfully created new mutex"}))
        << Dump(log);
}

}  // namespace
}  // namespace e2e
