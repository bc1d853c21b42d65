// The reboot policy of the selected package ("RebootOptions") into "CUSTOM_YOL_CONFIG": four
// switches written "true" or "false", then eleven texts with their escapes decoded.
#pragma once

#include "config/OptionMaps.h"
#include "config/OptionParser.h"

class CRebootOptParser : public COptionParser {
public:
    explicit CRebootOptParser(const char* directory);
    // Every option is processed; the result is the last failure met: 13 for a switch that is not
    // 0 or 1 (nothing written for it), 29 for a failed write.
    std::uint32_t propigateOptions() override;

private:
    const std::string m_section = config::kCustomSection;
    const config::OptionMap m_switches = config::RebootSwitchMap();
    const config::OptionMap m_texts = config::RebootTextMap();
};
