// The feature selection of the selected package into its own section (its creator names it,
// "FEATURE_SELECTION"): the section is replaced by one key, value "1", per enabled feature that
// the installed client does not list as valid but not allowed.
#pragma once

#include "config/OptionParser.h"

class CFeatureOptParser : public COptionParser {
public:
    explicit CFeatureOptParser(const char* directory);
    void SetSection(const char* section) { m_section = section; }
    // Deletes the section, even without config.xml, then writes the features in document order;
    // 29 at the first failed write (or a failed deletion), which ends the call.
    std::uint32_t propigateOptions() override;

private:
    std::string m_section;
};
