// The rules that locate config.xml and recognise the staged package: the installed client's
// version, the platform of zudUvu.ini, the file names beside a directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace config {

// Clients before 12.1 name their configuration directory in "yol_install_path"; from 12.1 on it
// is the path expansion variable %QENCONFIGDIR%.
constexpr std::uint32_t kFirstExpandedConfigVersion = 0xC0001;

// "ProductVersion" as major * 65536 + minor, from its first two dot-separated fields. Each must be
// 1 to 5 decimal digits worth at most 65535; anything else (a single field, a sign, a blank, an
// empty field) gives none, which the reader treats as an unreadable value.
std::optional<std::uint32_t> ParseProductVersion(std::string_view version);

// True when the installed client names its configuration directory in "yol_install_path".
inline bool ConfigDirFromInstallPath(std::uint32_t version) {
    return version < kFirstExpandedConfigVersion;
}

// The platform tag a package's "Product" must contain for zudUvu.ini's "PlatformType":
// " Win32" for WIN32BIT and " Win64" for WIN64BIT, case ignored; none for anything else.
std::optional<std::u16string> PlatformTag(std::u16string_view platformType);

// `directory`, a backslash unless it already ends in one, then `name`. Narrow or wide.
template <typename Char>
std::basic_string<Char> JoinFileName(std::basic_string<Char> directory, const Char* name) {
    if (directory.empty() || directory.back() != static_cast<Char>('\\')) {
        directory += static_cast<Char>('\\');
    }
    return directory + name;
}

}  // namespace config
