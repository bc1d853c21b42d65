// The configuration reader against Wine's msxml3, registry views and profile functions.
#include <windows.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "ConfigTestSupport.h"
#include "config/ConfigXMLParser.h"

namespace configtest {
namespace {

const std::string kTwoPackages = R"(<?xml version="1.0"?>
<ManagementConfig>
  <ClientPackage Checksum="1111" Product="Zanthrex Bastion Win64" Type="ZB.1" Language="en_us">
    <InstallationOption UserInterfaceLevel="Normal"/>
  </ClientPackage>
  <!-- the staged package -->
  <ClientPackage Checksum="ABCD" Product="Zanthrex Bastion WIN64" Type="ZB.1" Language="de_DE">
    <InstallationOptions InstallationDirectory="D:\Wrong"/>
    <InstallationOption InstallationDirectory="D:\Apps"/>
    <RebootOptions AutoReboot="1"/>
    <EnabledClientFeatures></EnabledClientFeatures>
  </ClientPackage>
</ManagementConfig>
)";

const std::string kReport = "CConfigXMLParser::CConfigXMLParser";

TEST_F(ConfigTest, ReaderIdentifiesThePackageFromZudUvu) {
    WriteConfig(kTwoPackages);
    const std::tuple<const char*, const wchar_t*, std::string> cases[] = {
        // By checksum; the reboot option without the asked attribute and the empty feature list
        // answer empty.
        {"[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=abcd\r\n", L"D:\\Apps", ""},
        // By description, past the comment; the language of DX_CONFIG in another case.
        {"[PREDEFINED_YOL_CONFIG]\r\nAppType=ZB\r\nPlatformType=win64bit\r\n[DX_CONFIG]\r\n"
         "Language=DE_de\r\n",
         L"D:\\Apps", ""},
        // Without a Language key the language is en_us.
        {"[PREDEFINED_YOL_CONFIG]\r\nAppType=ZB\r\nPlatformType=WIN64BIT\r\n", L"Normal", ""},
        {"[PREDEFINED_YOL_CONFIG]\r\nAppType=ZB\r\nPlatformType=x64\r\n", L"",
         kReport + " Found invalid platform string in zudUvu.ini\n"},
    };
    for (const auto& [zudUvu, answer, report] : cases) {
        WriteZudUvu(zudUvu);
        m_log.text.clear();
        CConfigXMLParser reader(m_package.path().c_str());
        const std::wstring option = reader.GetInstallOption("InstallationDirectory") +
                                    reader.GetInstallOption("UserInterfaceLevel");
        EXPECT_EQ(option, answer) << zudUvu;
        EXPECT_EQ(reader.GetRebootOption("HardReboot"), L"");
        EXPECT_TRUE(reader.GetEnabledFeatures().empty());
        EXPECT_EQ(m_log.text, report);
    }
}

TEST_F(ConfigTest, ConfigDirectoryComesFromTheClientsKeyInItsView) {
    WriteConfig(kTwoPackages);
    const std::string noKey =
        " - Unable to open registry key'SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL'\n";
    const std::tuple<REGSAM, const char*, bool, bool, std::string> cases[] = {
        // view of the values, ProductVersion, yol_install_path set, client service, report
        {KEY_WOW64_64KEY, "12.0.1000", true, true, ""},
        {KEY_WOW64_64KEY, "12.0.1000", true, false, noKey},
        {KEY_WOW64_32KEY, "12", true, false, " - Unable to read value 'ProductVersion'\n"},
        {KEY_WOW64_32KEY, "12.0", false, false, " - Unable to read value 'yol_install_path'\n"},
        // No isolation profile above this program: the variable cannot be expanded.
        {KEY_WOW64_32KEY, "12.1.671", true, false,
         " - Unable to expand QENCONFIGDIR path expansion variable\n"},
    };
    for (const auto& [view, version, installPath, clientService, report] : cases) {
        DeleteProductKeys();
        SetProductString(view, "ProductVersion", version);
        if (installPath) {
            SetProductString(view, "yol_install_path", m_config.path());
        }
        std::optional<CClientService> service;
        if (clientService) {
            service.emplace();
        }
        m_log.text.clear();
        EXPECT_EQ(CConfigXMLParser(m_package.path().c_str()).IsLoaded(), report.empty()) << version;
        EXPECT_EQ(m_log.text, report.empty() ? "" : kReport + report) << version;
    }
}

// Bad files are not loaded and the reader answers empty; none stops the caller.
TEST_F(ConfigTest, BadConfigFilesAreNotLoaded) {
    WriteZudUvu("[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=P1\r\n");
    const std::string package = "<c><ClientPackage Checksum='P1'><InstallationOption N='1'/>";
    const std::pair<std::string, const wchar_t*> cases[] = {
        {"not xml", L""},
        {package + "</ClientPackage></c>", L"1"},
        // Just above the size cap, well-formed.
        {package + std::string(8 * 1024 * 1024, ' ') + "</ClientPackage></c>", L""},
    };
    for (const auto& [xml, answer] : cases) {
        WriteConfig(xml);
        EXPECT_EQ(CConfigXMLParser(m_package.path().c_str()).GetInstallOption("N"), answer)
            << xml.size() << " bytes";
    }
    DeleteFileA(m_config.File("config.xml").c_str());
    EXPECT_FALSE(CConfigXMLParser(m_package.path().c_str()).IsLoaded());
}

}  // namespace
}  // namespace configtest
