#include "config/IdentityRules.h"

#include "config/PackageSelection.h"

namespace config {

namespace {

// A field of 1 to 5 decimal digits worth at most 65535.
std::optional<std::uint32_t> ParseField(std::string_view field) {
    if (field.empty() || field.size() > 5) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value > 0xFFFF) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::uint32_t> ParseProductVersion(std::string_view version) {
    const std::size_t firstDot = version.find('.');
    if (firstDot == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view rest = version.substr(firstDot + 1);
    const std::optional<std::uint32_t> major = ParseField(version.substr(0, firstDot));
    const std::optional<std::uint32_t> minor = ParseField(rest.substr(0, rest.find('.')));
    if (!major || !minor) {
        return std::nullopt;
    }
    return *major * 0x10000 + *minor;
}

std::optional<std::u16string> PlatformTag(std::u16string_view platformType) {
    if (EqualsNoCase(platformType, u"WIN32BIT")) {
        return u" Win32";
    }
    if (EqualsNoCase(platformType, u"WIN64BIT")) {
        return u" Win64";
    }
    return std::nullopt;
}

}  // namespace config
