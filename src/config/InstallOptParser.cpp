#include "config/InstallOptParser.h"

#include "win/ansi_text.h"

CInstallOptParser::CInstallOptParser(const char* directory) : COptionParser(directory) {}

std::uint32_t CInstallOptParser::propigateOptions() {
    if (!shouldUpdate()) {
        return config::kResultNoReader;
    }
    std::uint32_t result = config::kResultSuccess;
    for (const auto& [attribute, key] : m_options) {
        const std::string value = win::ToAnsi(m_reader->GetInstallOption(attribute.c_str()));
        if (value.empty()) {
            continue;
        }
        if (!WriteValue(m_section.c_str(), key.c_str(), value.c_str())) {
            result = config::kResultWriteFailed;
        }
    }
    return result;
}
