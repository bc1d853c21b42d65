// The install options of the selected package ("InstallationOption") into "CUSTOM_YOL_CONFIG",
// each renamed to the key setup reads and written as configured.
#pragma once

#include "config/OptionMaps.h"
#include "config/OptionParser.h"

class CInstallOptParser : public COptionParser {
public:
    explicit CInstallOptParser(const char* directory);
    // Writes every option that has a value; a failed write (29) does not stop the others.
    std::uint32_t propigateOptions() override;

private:
    const std::string m_section = config::kCustomSection;
    const config::OptionMap m_options = config::InstallOptionMap();
};
