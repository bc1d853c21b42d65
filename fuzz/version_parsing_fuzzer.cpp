// Both version readings over arbitrary texts (two of them, split at the first zero byte): the
// client's "ProductVersion" as major and minor, and the dotted versions of packages and products.
// A parsed version prints back to itself, and the downgrade check never refuses both ways.
#include <cstddef>
#include <cstdint>
#include <string>

#include "CapturedLog.h"
#include "FuzzRequire.h"
#include "config/IdentityRules.h"
#include "installer/VersionRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t zero = input.find('\0');
    const std::string first = input.substr(0, zero);
    const std::string second = zero == std::string::npos ? "" : input.substr(zero + 1);

    // A client version that reads is two fields of 1 to 5 digits, worth what they say.
    if (const auto packed = config::ParseProductVersion(first)) {
        const std::size_t dot = first.find('.');
        const std::string major = first.substr(0, dot);
        const std::string minor = first.substr(dot + 1, first.find('.', dot + 1) - dot - 1);
        for (const std::string& field : {major, minor}) {
            Require(!field.empty() && field.size() <= 5 &&
                    field.find_first_not_of("0123456789") == std::string::npos &&
                    std::stoul(field) <= 0xFFFF);
        }
        Require(*packed == std::stoul(major) * 65536 + std::stoul(minor));
    }

    const installer::Version a = installer::ParseVersion(first);
    const installer::Version b = installer::ParseVersion(second);
    std::string printed;
    for (std::size_t i = 0; i < a.size(); ++i) {
        printed += (i ? "." : "") + std::to_string(a[i]);
    }
    Require(installer::ParseVersion(printed) == a);
    const std::size_t count = a.size() > b.size() ? a.size() : b.size();
    Require(installer::CompareVersions(a, b, count) == -installer::CompareVersions(b, a, count));
    Require(
        !(installer::IsHigherVersion(first, second) && installer::IsHigherVersion(second, first)));
    CCapturedLog log;
    Require(installer::CheckPackageVersion(false, first, second) == 0);
    const bool refused = installer::CheckPackageVersion(true, first, second) != 0;
    Require(refused == installer::IsHigherVersion(first, second));
    Require(log.last.rfind(refused ? "ERROR: attempting" : "New Version = ", 0) == 0);
    return 0;
}
