#include "config/FeatureOptParser.h"

#include "config/FeatureFilter.h"
#include "config/ProductKey.h"
#include "diagnostics/DebugLog.h"
#include "win/unique_any.h"

namespace {

constexpr char kReport[] = "CFeatureOptParser::propigateOptions";
constexpr char kNotAllowedValue[] = "ProductFeaturesValidButNotAllowed";

// What the installed client does not allow; nothing (reported) when its value cannot be read.
std::set<std::string> ReadNotAllowed() {
    win::unique_hkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, config::kProductKey, 0, config::ProductKeyAccess(),
                      key.put()) != ERROR_SUCCESS) {
        YOL_LOG(outputstr(kReport) + " - Unable to open registry key '" + config::kProductKey +
                "'");
        return {};
    }
    const std::optional<std::string> value = config::ReadProductString(key.get(), kNotAllowedValue);
    if (!value) {
        YOL_LOG(outputstr(kReport) + " - Unable to read value '" + kNotAllowedValue + "'");
        return {};
    }
    return config::NotAllowedFeatures(*value, config::IsX64OrItaniumProcessor());
}

}  // namespace

CFeatureOptParser::CFeatureOptParser(const char* directory) : COptionParser(directory) {}

std::uint32_t CFeatureOptParser::propigateOptions() {
    if (!shouldUpdate()) {
        return config::kResultNoReader;
    }
    const std::vector<std::string> features = m_reader->GetEnabledFeatures();
    const std::set<std::string> notAllowed = ReadNotAllowed();
    // Features config.xml no longer enables must not survive from the package builder's file.
    if (!WriteValue(m_section.c_str(), nullptr, nullptr)) {
        return config::kResultWriteFailed;
    }
    for (const std::string& name : config::FeaturesToWrite(features, notAllowed)) {
        if (!WriteValue(m_section.c_str(), name.c_str(), "1")) {
            return config::kResultWriteFailed;
        }
    }
    return config::kResultSuccess;
}
