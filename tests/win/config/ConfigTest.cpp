// The configuration reader against Wine's msxml3 and the registry views, and the three option
// parsers writing zudUvu.ini through Wine's profile functions.
#include <windows.h>
#include <msxml2.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "../Registry.h"
#include "../TempDir.h"
#include "../../unit/CapturedLog.h"
#include "config/ConfigXMLParser.h"
#include "config/FeatureOptParser.h"
#include "config/InstallOptParser.h"
#include "config/RebootOptParser.h"
#include "win/com_error.h"
#include "win/unique_any.h"
#include "win/unique_com.h"

namespace {

const std::wstring kProductKey = L"SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL";

void SetProductString(REGSAM view, const wchar_t* name, const std::string& value) {
    wintest::SetString({HKEY_LOCAL_MACHINE, kProductKey, view}, name,
                       std::wstring(value.begin(), value.end()));
}

// Both views, with the link key other tests leave below.
void DeleteProductKeys() {
    wintest::DeleteTree({HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY});
    wintest::DeleteTree({HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY});
}

// The management client's service, installed while the owner lives.
struct CClientService {
    ~CClientService() { DeleteService(service.get()); }
    win::unique_schandle manager{OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)};
    win::unique_schandle service{
        CreateServiceA(manager.get(), "yolService", "yolService", SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       "C:\\windows\\notepad.exe", nullptr, nullptr, nullptr, nullptr, nullptr)};
};

// A staged package directory for zudUvu.ini, and config.xml's directory named by a 12.0 client's
// product key in the 32-bit view (its service is not installed).
class ConfigTest : public testing::Test {
protected:
    ConfigTest() {
        DeleteProductKeys();
        SetProductString(KEY_WOW64_32KEY, L"ProductVersion", "12.0.1000");
        SetProductString(KEY_WOW64_32KEY, L"yol_install_path", m_config.path() + "\\");
    }
    ~ConfigTest() override { DeleteProductKeys(); }

    void WriteConfig(const std::string& xml) const {
        WriteFileText(m_config.File("config.xml"), xml);
    }
    void WriteZudUvu(const std::string& text) const { WriteFileText(ZudUvu(), text); }
    std::string ZudUvu() const { return m_package.File("zudUvu.ini"); }

    CTempDir m_package{"yol-config-package"};
    CTempDir m_config{"yol-config-dir"};
    CCapturedLog m_log;
};

const std::string kTwoPackages = R"(<?xml version="1.0"?>
<ManagementConfig>
  <ClientPackage Checksum="1111" Product="Zanthrex Bastion Win64" Type="ZB.1" Language="en_us">
    <InstallationOption UserInterfaceLevel="Normal"/>
  </ClientPackage>
  <!-- the staged package -->
  <ClientPackage Checksum="ABCD" Product="Zanthrex Bastion WIN64" Type="ZB.1" Language="de_DE">
    <InstallationOptions InstallationDirectory="D:\Wrong"/>
    <InstallationOption InstallationDirectory="D:\Apps"/>
  </ClientPackage>
</ManagementConfig>
)";

const std::string kReport = "CConfigXMLParser::CConfigXMLParser";

TEST_F(ConfigTest, ReaderIdentifiesThePackageFromZudUvu) {
    WriteConfig(kTwoPackages);
    const std::tuple<const char*, const wchar_t*, std::string> cases[] = {
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
        EXPECT_EQ(m_log.text, report);
    }
}

TEST_F(ConfigTest, ConfigDirectoryComesFromTheClientsKeyInItsView) {
    WriteConfig(kTwoPackages);
    const std::tuple<REGSAM, const char*, bool, bool, std::string> cases[] = {
        // view of the values, ProductVersion, yol_install_path set, client service, report
        {KEY_WOW64_64KEY, "12.0.1000", true, true, ""},
        {KEY_WOW64_64KEY, "12.0.1000", true, false,
         " - Unable to open registry key'SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL'\n"},
        {KEY_WOW64_32KEY, "12", true, false, " - Unable to read value 'ProductVersion'\n"},
        {KEY_WOW64_32KEY, "12.0", false, false, " - Unable to read value 'yol_install_path'\n"},
        // No isolation profile above this program: the variable cannot be expanded.
        {KEY_WOW64_32KEY, "12.1.671", true, false,
         " - Unable to expand QENCONFIGDIR path expansion variable\n"},
    };
    for (const auto& [view, version, installPath, clientService, report] : cases) {
        DeleteProductKeys();
        SetProductString(view, L"ProductVersion", version);
        if (installPath) {
            SetProductString(view, L"yol_install_path", m_config.path());
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
    // Not XML, and a well-formed document just above the size cap.
    for (const std::string& xml :
         {std::string("not xml"),
          package + std::string(8 * 1024 * 1024, ' ') + "</ClientPackage></c>"}) {
        WriteConfig(xml);
        EXPECT_EQ(CConfigXMLParser(m_package.path().c_str()).GetInstallOption("N"), L"")
            << xml.size() << " bytes";
    }
}

HRESULT STDMETHODCALLTYPE OutOfMemory(IXMLDOMNode*, VARIANT_BOOL*) {
    return E_OUTOFMEMORY;
}

// A DOM call that fails is not taken for a node that is not there: its HRESULT reaches the caller.
// All elements of the platform's documents share one method table; its hasChildNodes (slot 22:
// IUnknown's 3, IDispatch's 4, then the node's 16th method) fails meanwhile.
TEST_F(ConfigTest, AFailingDomCallReachesTheCaller) {
    WriteZudUvu("[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=P1\r\n");
    WriteConfig("<c><ClientPackage Checksum='P1'><InstallationOption N='1'/></ClientPackage></c>");
    CConfigXMLParser reader(m_package.path().c_str());
    const win::com_initialization com(COINIT_MULTITHREADED);
    CLSID documentClass{};
    win::unique_com<IXMLDOMDocument> document;
    win::unique_com<IXMLDOMElement> element;
    ASSERT_EQ(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &documentClass), S_OK);
    ASSERT_EQ(CoCreateInstance(documentClass, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                               reinterpret_cast<void**>(document.put())),
              S_OK);
    const win::unique_bstr name(SysAllocString(L"e"));
    ASSERT_EQ(document.get()->createElement(name.get(), element.put()), S_OK);
    void** slot = *reinterpret_cast<void***>(element.get()) + 22;
    DWORD protection = 0;
    ASSERT_TRUE(VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection));
    void* const original = std::exchange(*slot, reinterpret_cast<void*>(&OutOfMemory));
    HRESULT raised = S_OK;
    try {
        reader.GetInstallOption("N");
    } catch (const win::com_error& error) {
        raised = error.hr();
    }
    *slot = original;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    EXPECT_EQ(raised, E_OUTOFMEMORY);
    EXPECT_EQ(reader.GetInstallOption("N"), L"1");
}

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
    SetProductString(KEY_WOW64_32KEY, L"ProductFeaturesValidButNotAllowed", "Pop3Smtp,B");
    SetProductString(KEY_WOW64_64KEY, L"ProductFeaturesValidButNotAllowed", "A");
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
    // A value that is not text filters nothing, and that is reported.
    wintest::SetDword({HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY},
                      L"ProductFeaturesValidButNotAllowed", 0);
    EXPECT_EQ(RunFeatureParser(m_package.path()), 0u);
    EXPECT_EQ(ReadFileText(ZudUvu()), custom + reboot + "\r\nnow\r\n" + dx +
                                          "[FEATURE_SELECTION]\r\nA=1\r\nPop3Smtp=1\r\nB=1\r\n");
    EXPECT_EQ(m_log.text,
              "CFeatureOptParser::propigateOptions - Unable to read value "
              "'ProductFeaturesValidButNotAllowed'\n");
}

// A failed write gives 29, also after an invalid switch; without config.xml the feature section
// goes all the same.
TEST_F(ConfigTest, FailedWritesAndAMissingConfig) {
    WriteConfig(
        "<c><ClientPackage><RebootOptions AutoReboot='7' Countdown='1'/></ClientPackage></c>");
    EXPECT_EQ(CRebootOptParser((m_package.path() + "\\missing").c_str()).propigateOptions(), 29u);
    DeleteFileA(m_config.File("config.xml").c_str());
    WriteZudUvu("[FEATURE_SELECTION]\r\nOld=1\r\n[X]\r\nk=v\r\n");
    EXPECT_EQ(RunFeatureParser(m_package.path()), 0u);
    EXPECT_EQ(ReadFileText(ZudUvu()), "[X]\r\nk=v\r\n");
}

}  // namespace
