#include "config/FeatureFilter.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

namespace config {

std::set<std::string> NotAllowedFeatures(const std::string& value, bool x64Processor) {
    const std::string listed = (value == "Pop3Smtp" && x64Processor) ? std::string() : value;
    std::vector<std::string> pieces;
    boost::algorithm::split(pieces, listed, boost::algorithm::is_any_of(","));
    return std::set<std::string>(pieces.begin(), pieces.end());
}

std::vector<std::string> FeaturesToWrite(const std::vector<std::string>& enabled,
                                         const std::set<std::string>& notAllowed) {
    std::vector<std::string> written;
    for (const std::string& name : enabled) {
        if (notAllowed.count(name) == 0) {
            written.push_back(name);
        }
    }
    return written;
}

}  // namespace config
