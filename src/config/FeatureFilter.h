// Which enabled features reach zudUvu.ini: the installed client lists, in
// "ProductFeaturesValidButNotAllowed", features that are valid but not allowed on this machine.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace config {

// The names in the registry value: split at every comma, nothing trimmed, case kept (an empty
// value gives the one empty name). The value "Pop3Smtp" on its own names nothing on a 64-bit
// processor: there the client allows that feature.
std::set<std::string> NotAllowedFeatures(const std::string& value, bool x64Processor);

// `enabled` in order, without the names in `notAllowed` (compared exactly).
std::vector<std::string> FeaturesToWrite(const std::vector<std::string>& enabled,
                                         const std::set<std::string>& notAllowed);

}  // namespace config
