#include "installer/VersionRules.h"

#include <limits>

#include "diagnostics/DebugLog.h"

namespace installer {

namespace {

std::int32_t ConvertPiece(const std::string& piece) {
    std::size_t at = 0;
    bool negative = false;
    if (at < piece.size() && (piece[at] == '+' || piece[at] == '-')) {
        negative = piece[at] == '-';
        ++at;
    }
    // Accumulated as a magnitude one past the int32 maximum so "-2147483648" stays exact.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; at < piece.size() && piece[at] >= '0' && piece[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (piece[at] - '0');
        if (magnitude > kLimit) {
            magnitude = kLimit;
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-magnitude);
    }
    return static_cast<std::int32_t>(magnitude == kLimit ? kLimit - 1 : magnitude);
}

std::int32_t ComponentAt(const Version& version, std::size_t index) {
    return index < version.size() ? version[index] : 0;
}

}  // namespace

Version ParseVersion(const std::string& text) {
    Version components;
    std::string piece;
    for (char c : text) {
        if (c != '.') {
            piece += c;
            continue;
        }
        components.push_back(ConvertPiece(piece));
        piece.clear();
    }
    if (!piece.empty()) {
        components.push_back(ConvertPiece(piece));
    }
    return components;
}

int CompareVersions(const Version& left, const Version& right, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t a = ComponentAt(left, i);
        const std::int32_t b = ComponentAt(right, i);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    return 0;
}

bool IsHigherVersion(const std::string& candidate, const std::string& best) {
    const Version parsed = ParseVersion(candidate);
    return CompareVersions(parsed, ParseVersion(best), parsed.size()) > 0;
}

int CheckPackageVersion(bool installed, const std::string& installedVersion,
                        const std::string& packageVersion) {
    YOL_LOG(outputstr("New Version = ") + packageVersion.c_str() +
            " Installed Version = " + installedVersion.c_str());
    if (!installed) {
        return 0;
    }
    const Version installedParts = ParseVersion(installedVersion);
    if (CompareVersions(installedParts, ParseVersion(packageVersion), installedParts.size()) <= 0) {
        return 0;
    }
    YOL_LOG(outputstr("ERROR: attempting to install lower version ") + packageVersion.c_str() +
            " over version " + installedVersion.c_str());
    return kResultDowngrade;
}

}  // namespace installer
