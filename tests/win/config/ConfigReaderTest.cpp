// The configuration reader against Wine's msxml3, registry views and profile functions.
#include <windows.h>

#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "config/ConfigXMLParser.h"
#include "win/unique_any.h"

namespace configtest {
namespace {

const std::string kTwoPackages = R"(<?xml version="1.0"?>
<ManagementConfig>
  <ClientPackage Checksum="1111" Product="Zanthrex Bastion Win64" Type="ZB.1" Language="en_us">
    <InstallationOption UserInterfaceLevel="Normal"/>
  </ClientPackage>
  <!-- the staged package -->
  <ClientPackage Checksum="ABCD" Product="Zanthrex Bastion WIN64" Type="ZB.1" Language="de_DE">
    <InstallationOption InstallationDirectory="D:\Apps"/>
    <RebootOptions AutoReboot="1"/>
    <EnabledClientFeatures></EnabledClientFeatures>
  </ClientPackage>
</ManagementConfig>
)";

constexpr char kReport[] = "CConfigXMLParser::CConfigXMLParser";

TEST_F(ConfigTest, ReaderSelectsThePackageAndAnswersFromIt) {
    WriteConfig(kTwoPackages);
    struct Case {
        const char* zudUvu;
        const wchar_t* directory;  // InstallationOption's
        const wchar_t* uiLevel;
        const char* report;
    };
    const Case cases[] = {
        // By checksum, any case; the reboot option without the asked attribute answers empty.
        {"[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=abcd\r\n", L"D:\\Apps", L"", ""},
        // By description, past the comment; the language of DX_CONFIG in another case.
        {"[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=ZZ\r\nAppType=ZB\r\nPlatformType=win64bit\r\n"
         "[DX_CONFIG]\r\nLanguage=DE_de\r\n",
         L"D:\\Apps", L"", ""},
        // Without a Language key the language is en_us.
        {"[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=ZZ\r\nAppType=ZB\r\nPlatformType=WIN64BIT\r\n",
         L"", L"Normal", ""},
        // An empty Language key matches no language.
        {"[PREDEFINED_YOL_CONFIG]\r\nAppType=ZB\r\nPlatformType=WIN64BIT\r\n[DX_CONFIG]\r\n"
         "Language=\r\n",
         L"", L"", ""},
        {"[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=ZZ\r\nAppType=ZB\r\nPlatformType=x64\r\n", L"",
         L"", " Found invalid platform string in zudUvu.ini\n"},
    };
    for (const Case& c : cases) {
        WriteZudUvu(c.zudUvu);
        m_log.text.clear();
        CConfigXMLParser reader(m_package.path().c_str());
        EXPECT_TRUE(reader.IsLoaded());
        EXPECT_EQ(reader.GetInstallOption("InstallationDirectory"), c.directory) << c.zudUvu;
        EXPECT_EQ(reader.GetInstallOption("UserInterfaceLevel"), c.uiLevel) << c.zudUvu;
        EXPECT_EQ(reader.GetRebootOption("HardReboot"), L"");
        EXPECT_TRUE(reader.GetEnabledFeatures().empty());
        EXPECT_EQ(m_log.text, *c.report ? kReport + std::string(c.report) : "");
    }
}

TEST_F(ConfigTest, ConfigDirectoryComesFromTheClientsKeyInItsView) {
    WriteConfig(kTwoPackages);
    WriteZudUvu("[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=ABCD\r\n");
    struct Case {
        REGSAM view;  // where the values are
        const char* version;
        bool installPath;
        bool clientService;
        bool loaded;
        const char* report;
    };
    const Case cases[] = {
        {KEY_WOW64_32KEY, "11.0.6000", true, false, true, ""},
        {KEY_WOW64_64KEY, "12.0.1000", true, true, true, ""},
        {KEY_WOW64_64KEY, "12.0.1000", true, false, false,
         " - Unable to open registry key'SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL'\n"},
        {KEY_WOW64_32KEY, "12.0.1000", true, true, false,
         " - Unable to open registry key'SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL'\n"},
        {KEY_WOW64_32KEY, "12", true, false, false, " - Unable to read value 'ProductVersion'\n"},
        {KEY_WOW64_32KEY, "12.0", false, false, false,
         " - Unable to read value 'yol_install_path'\n"},
        // No isolation profile above this program: the variable cannot be expanded.
        {KEY_WOW64_32KEY, "12.1.671", true, false, false,
         " - Unable to expand QENCONFIGDIR path expansion variable\n"},
    };
    for (const Case& c : cases) {
        DeleteProductKeys();
        SetProductString(c.view, "ProductVersion", c.version);
        if (c.installPath) {
            SetProductString(c.view, "yol_install_path", m_config.path());
        }
        win::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        win::unique_schandle service;
        if (c.clientService) {
            service.reset(CreateServiceA(
                manager.get(), "yolService", "yolService", SERVICE_ALL_ACCESS,
                SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                "C:\\windows\\notepad.exe", nullptr, nullptr, nullptr, nullptr, nullptr));
            ASSERT_TRUE(service);
        }
        m_log.text.clear();
        {
            CConfigXMLParser reader(m_package.path().c_str());
            EXPECT_EQ(reader.IsLoaded(), c.loaded) << c.version;
            EXPECT_EQ(m_log.text, *c.report ? kReport + std::string(c.report) : "") << c.version;
        }
        if (service) {
            DeleteService(service.get());
        }
    }
}

// Bad files are not loaded, and the reader answers empty; none stops the caller.
TEST_F(ConfigTest, BadConfigFilesAreNotLoaded) {
    WriteZudUvu("[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=P9999\r\n");
    std::string many = "<c>";
    for (int i = 0; i < 10000; ++i) {
        many += "<ClientPackage Checksum=\"P" + std::to_string(i) + "\"><InstallationOption N=\"" +
                std::to_string(i) + "\"/></ClientPackage>";
    }
    many += "</c>";
    std::string oversized = "<c><ClientPackage Checksum=\"P9999\"><InstallationOption N=\"1\"/>";
    oversized += std::string(8 * 1024 * 1024, ' ') + "</ClientPackage></c>";
    const std::pair<std::string, const wchar_t*> cases[] = {
        {"", L""},
        {"not xml at all", L""},
        {std::string(10000, '<') + "c>", L""},
        {[] {
             std::string deep;
             for (int i = 0; i < 10000; ++i)
                 deep += "<d>";
             for (int i = 0; i < 10000; ++i)
                 deep += "</d>";
             return deep;
         }(),
         L""},
        {oversized, L""},
        {many, L"9999"},
    };
    for (const auto& [xml, answer] : cases) {
        WriteConfig(xml);
        CConfigXMLParser reader(m_package.path().c_str());
        EXPECT_EQ(reader.GetInstallOption("N"), answer) << xml.size() << " bytes";
    }
    DeleteFileA(m_config.File("config.xml").c_str());
    EXPECT_FALSE(CConfigXMLParser(m_package.path().c_str()).IsLoaded());
}

}  // namespace
}  // namespace configtest
