// The options carried from config.xml into zudUvu.ini: the attribute of config.xml, mapped to the
// key the client setup reads. Ordered maps, so options are processed, and new keys appear in
// their section, in the attributes' byte order.
#pragma once

#include <map>
#include <string>

namespace config {

using OptionMap = std::map<std::string, std::string>;

constexpr char kCustomSection[] = "CUSTOM_YOL_CONFIG";
constexpr char kFeatureSection[] = "FEATURE_SELECTION";

// Attributes of "InstallationOption".
OptionMap InstallOptionMap();
// Attributes of "RebootOptions" written as "true" or "false".
OptionMap RebootSwitchMap();
// Attributes of "RebootOptions" written as decoded text.
OptionMap RebootTextMap();

}  // namespace config
