// The three option parsers writing zudUvu.ini through Wine's profile functions.
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "config/FeatureOptParser.h"
#include "config/InstallOptParser.h"
#include "config/RebootOptParser.h"
#include "win/unique_any.h"

namespace configtest {
namespace {

using Lines = std::vector<std::string>;

// The file's non-empty lines.
Lines FileLines(const std::string& path) {
    std::istringstream in(ReadFileText(path));
    Lines lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
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

const std::string kZudUvu =
    "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=ABCD\r\n"
    "[CUSTOM_YOL_CONFIG]\r\nDestinationDirectory=C:\\Old\r\nReducedSize=0\r\n"
    "[FEATURE_SELECTION]\r\nOld=1\r\n"
    "[DX_CONFIG]\r\nLanguage=en_us\r\n";

TEST_F(ConfigTest, ParsersCarryTheSelectedPackagesChoicesIntoZudUvu) {
    ASSERT_EQ(GetACP(), 1252u) << "the expected texts are those of code page 1252";
    WriteConfig(kConfig);
    WriteZudUvu(kZudUvu);
    SetProductString(KEY_WOW64_32KEY, "ProductFeaturesValidButNotAllowed", "Pop3Smtp,B");
    SetProductString(KEY_WOW64_64KEY, "ProductFeaturesValidButNotAllowed", "A");
    ASSERT_TRUE(SetFileAttributesA(ZudUvu().c_str(), FILE_ATTRIBUTE_READONLY));

    CInstallOptParser install(m_package.path().c_str());
    EXPECT_EQ(GetFileAttributesA(ZudUvu().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(install.propigateOptions(), 0u);
    const Lines header = {"[PREDEFINED_YOL_CONFIG]", "PackageChecksum=ABCD", "[CUSTOM_YOL_CONFIG]"};
    Lines expected = header;
    expected.insert(expected.end(), {"DestinationDirectory=D:\\Zanthrex \xE9?", "ReducedSize=0",
                                     "OptOutRepSubmission=1", "[FEATURE_SELECTION]", "Old=1",
                                     "[DX_CONFIG]", "Language=en_us"});
    EXPECT_EQ(FileLines(ZudUvu()), expected);

    CRebootOptParser reboot(m_package.path().c_str());
    EXPECT_EQ(reboot.propigateOptions(), 13u);
    expected = header;
    expected.insert(
        expected.end(),
        {"DestinationDirectory=D:\\Zanthrex \xE9?", "ReducedSize=0", "OptOutRepSubmission=1",
         "AutoReboot=true", "RebootRandomize=false", "Countdown=30", "RebootPromptMessage=Save",
         "now", "[FEATURE_SELECTION]", "Old=1", "[DX_CONFIG]", "Language=en_us"});
    EXPECT_EQ(FileLines(ZudUvu()), expected);

    CFeatureOptParser features(m_package.path().c_str());
    features.SetSection("FEATURE_SELECTION");
    EXPECT_EQ(features.propigateOptions(), 0u);
    expected.erase(expected.end() - 4, expected.end());
    expected.insert(expected.end(),
                    {"[DX_CONFIG]", "Language=en_us", "[FEATURE_SELECTION]", "A=1"});
    EXPECT_EQ(FileLines(ZudUvu()), expected);
}

TEST_F(ConfigTest, FeatureFilterIsReadInTheClientsView) {
    WriteConfig(kConfig);
    SetProductString(KEY_WOW64_32KEY, "ProductFeaturesValidButNotAllowed", "A");
    struct Case {
        REGSAM view;
        const char* notAllowed;
        Lines features;
        const char* report;
    };
    const Case cases[] = {
        // On this 64-bit machine "Pop3Smtp" alone filters nothing.
        {KEY_WOW64_64KEY, "Pop3Smtp", {"A", "Pop3Smtp", "B"}, ""},
        {KEY_WOW64_64KEY, "Pop3Smtp, B", {"A", "B"}, ""},
        {KEY_WOW64_64KEY,
         nullptr,
         {"A", "Pop3Smtp", "B"},
         " - Unable to read value 'ProductFeaturesValidButNotAllowed'\n"},
    };
    win::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    win::unique_schandle client(
        CreateServiceA(manager.get(), "yolService", "yolService", SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       "C:\\windows\\notepad.exe", nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(client);
    SetProductString(KEY_WOW64_64KEY, "ProductVersion", "12.0");
    SetProductString(KEY_WOW64_64KEY, "yol_install_path", m_config.path());
    for (const Case& c : cases) {
        WriteZudUvu("[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=ABCD\r\n");
        if (c.notAllowed) {
            SetProductString(c.view, "ProductFeaturesValidButNotAllowed", c.notAllowed);
        } else {
            win::unique_hkey key;
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_SET_VALUE | c.view, key.put());
            RegDeleteValueA(key.get(), "ProductFeaturesValidButNotAllowed");
        }
        m_log.text.clear();
        CFeatureOptParser parser(m_package.path().c_str());
        parser.SetSection("FEATURE_SELECTION");
        EXPECT_EQ(parser.propigateOptions(), 0u);
        Lines expected = {"[PREDEFINED_YOL_CONFIG]", "PackageChecksum=ABCD", "[FEATURE_SELECTION]"};
        for (const std::string& name : c.features) {
            expected.push_back(name + "=1");
        }
        EXPECT_EQ(FileLines(ZudUvu()), expected) << (c.notAllowed ? c.notAllowed : "(none)");
        EXPECT_EQ(m_log.text,
                  *c.report ? "CFeatureOptParser::propigateOptions" + std::string(c.report) : "");
    }
    DeleteService(client.get());
}

TEST_F(ConfigTest, FailedWritesGive29AndAnInvalidSwitch13) {
    WriteConfig(R"(<c><ClientPackage><InstallationOption InstallationDirectory="D:\x"/>
        <RebootOptions AutoReboot="7" Countdown="1"/>
        <EnabledClientFeatures><F FeatureName="A"/></EnabledClientFeatures></ClientPackage></c>)");
    const std::string nowhere = m_package.path() + "\\missing";
    EXPECT_EQ(CInstallOptParser(nowhere.c_str()).propigateOptions(), 29u);
    EXPECT_EQ(CRebootOptParser(nowhere.c_str()).propigateOptions(), 29u);  // 13, then 29
    CFeatureOptParser features(nowhere.c_str());
    features.SetSection("FEATURE_SELECTION");
    EXPECT_EQ(features.propigateOptions(), 29u);

    // Without config.xml nothing is written but the feature section is still emptied.
    DeleteFileA(m_config.File("config.xml").c_str());
    WriteZudUvu("[FEATURE_SELECTION]\r\nOld=1\r\n[X]\r\nk=v\r\n");
    EXPECT_EQ(CInstallOptParser(m_package.path().c_str()).propigateOptions(), 0u);
    EXPECT_EQ(CRebootOptParser(m_package.path().c_str()).propigateOptions(), 0u);
    CFeatureOptParser empty(m_package.path().c_str());
    empty.SetSection("FEATURE_SELECTION");
    EXPECT_EQ(empty.propigateOptions(), 0u);
    EXPECT_EQ(FileLines(ZudUvu()), (Lines{"[X]", "k=v"}));
}

}  // namespace
}  // namespace configtest
