#include "config/ConfigXMLParser.h"

#include <new>

#include "config/IdentityRules.h"
#include "config/ProductKey.h"
#include "diagnostics/DebugLog.h"
#include "qrlib/WideText.h"
#include "qrlib/qrPathExpansion.h"
#include "win/ansi_text.h"
#include "win/unique_any.h"

namespace {

constexpr char kReport[] = "CConfigXMLParser::CConfigXMLParser";

void Report(const char* text) {
    YOL_LOG(outputstr(kReport) + text);
}

std::u16string Widened(const std::string& text) {
    return qrLib::ToU16(win::FromAnsi(text));
}

// The core's view of the document: the same cursor, in UTF-16 strings.
class CDomDocument : public config::IConfigDocument {
public:
    explicit CDomDocument(InstallUtils::CXmlDom& dom) : m_dom(dom) {}
    void ToRoot() override { m_dom.ToRoot(); }
    bool FindChild(const std::u16string& name) override {
        return m_dom.FindChild(qrLib::ToWide(name));
    }
    bool FirstChild() override { return m_dom.FirstChild(); }
    bool NextSibling() override { return m_dom.NextSibling(); }
    bool IsElement() override { return m_dom.IsElement(); }
    std::u16string GetAttribute(const std::u16string& name) override {
        return qrLib::ToU16(m_dom.GetAttribute(qrLib::ToWide(name)));
    }

private:
    InstallUtils::CXmlDom& m_dom;
};

// False when `path` is larger than the cap; a file whose size cannot be had is left to the loader.
bool FitsSizeCap(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return true;
    }
    const ULONGLONG size = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return size <= kMaxConfigFileSize;
}

}  // namespace

CConfigXMLParser::CConfigXMLParser(const char* directory) : m_com(COINIT_MULTITHREADED) {
    if (!m_com.succeeded()) {
        Report(" - CoInitialize() failed");
    } else {
        const std::wstring file = config::JoinFileName(ConfigDirectory(), L"config.xml");
        m_dom.reset(new (std::nothrow) InstallUtils::CXmlDom());
        if (m_dom) {
            m_loaded = FitsSizeCap(file) && m_dom->Load(file);
        }
    }
    ReadIdentity(directory);
}

// Where the installed client keeps config.xml; empty (reported) when that cannot be told.
std::wstring CConfigXMLParser::ConfigDirectory() {
    win::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, config::kProductKey, 0, config::ProductKeyAccess(),
                      key.put()) != ERROR_SUCCESS) {
        Report(" - Unable to open registry key'SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL'");
        return {};
    }
    const std::optional<std::string> text = config::ReadProductString(key.get(), "ProductVersion");
    const std::optional<std::uint32_t> version =
        text ? config::ParseProductVersion(*text) : std::nullopt;
    if (!version) {
        Report(" - Unable to read value 'ProductVersion'");
        return {};
    }
    if (config::ConfigDirFromInstallPath(*version)) {
        const std::optional<std::string> path =
            config::ReadProductString(key.get(), "yol_install_path");
        if (!path) {
            Report(" - Unable to read value 'yol_install_path'");
            return {};
        }
        return win::FromAnsi(*path);
    }
    std::wstring expanded;
    if (qrLib::qrPathExpansion::Expand(L"%QENCONFIGDIR%", expanded) != 1) {
        Report(" - Unable to expand QENCONFIGDIR path expansion variable");
        return {};
    }
    return expanded;
}

void CConfigXMLParser::ReadIdentity(const char* directory) {
    const std::string ini =
        config::JoinFileName(std::string(directory ? directory : ""), "zudUvu.ini");
    char value[0x104] = {};
    const auto read = [&](const char* section, const char* key, const char* fallback) {
        return GetPrivateProfileStringA(section, key, fallback, value, sizeof value, ini.c_str());
    };
    if (read("PREDEFINED_YOL_CONFIG", "PackageChecksum", "") != 0) {
        m_identity.checksum = Widened(value);
    }
    if (read("PREDEFINED_YOL_CONFIG", "AppType", "") != 0) {
        m_identity.appType = Widened(value);
    }
    if (read("PREDEFINED_YOL_CONFIG", "PlatformType", "") != 0) {
        if (const std::optional<std::u16string> tag = config::PlatformTag(Widened(value))) {
            m_identity.platformTag = *tag;
        } else {
            Report(" Found invalid platform string in zudUvu.ini");
        }
    }
    // The default stands for an absent key; a key present but empty leaves the language empty.
    if (read("DX_CONFIG", "Language", "en_us") != 0) {
        m_identity.language = Widened(value);
    }
}

std::wstring CConfigXMLParser::GetRebootOption(const char* name) {
    return GetOption(L"RebootOptions", name);
}

std::wstring CConfigXMLParser::GetInstallOption(const char* name) {
    return GetOption(L"InstallationOption", name);
}

std::wstring CConfigXMLParser::GetOption(const std::wstring& element, const char* attribute) {
    if (!m_loaded) {
        return {};
    }
    CDomDocument document(*m_dom);
    return qrLib::ToWide(config::GetOption(document, m_identity, qrLib::ToU16(element),
                                           Widened(attribute ? attribute : "")));
}

std::vector<std::string> CConfigXMLParser::GetEnabledFeatures() {
    std::vector<std::string> features;
    if (!m_loaded) {
        return features;
    }
    CDomDocument document(*m_dom);
    for (const std::u16string& name : config::GetEnabledFeatures(document, m_identity)) {
        features.push_back(win::ToAnsi(qrLib::ToWide(name)));
    }
    return features;
}
