#include "config/RebootOptParser.h"

#include "config/RebootValues.h"
#include "qrlib/WideText.h"
#include "win/ansi_text.h"

CRebootOptParser::CRebootOptParser(const char* directory) : COptionParser(directory) {}

std::uint32_t CRebootOptParser::propigateOptions() {
    if (!shouldUpdate()) {
        return config::kResultNoReader;
    }
    std::uint32_t result = config::kResultSuccess;
    for (const auto& [attribute, key] : m_switches) {
        const std::wstring value = m_reader->GetRebootOption(attribute.c_str());
        if (value.empty()) {
            continue;
        }
        const char* text = config::SwitchText(config::ReadSwitchNumber(qrLib::ToU16(value)));
        if (text == nullptr) {
            result = config::kResultInvalidSwitch;
        } else if (!WriteValue(m_section.c_str(), key.c_str(), text)) {
            result = config::kResultWriteFailed;
        }
    }
    for (const auto& [attribute, key] : m_texts) {
        const std::wstring value = m_reader->GetRebootOption(attribute.c_str());
        if (value.empty()) {
            continue;
        }
        const std::string text = win::ToAnsi(qrLib::ToWide(config::Unescape(qrLib::ToU16(value))));
        if (!WriteValue(m_section.c_str(), key.c_str(), text.c_str())) {
            result = config::kResultWriteFailed;
        }
    }
    return result;
}
