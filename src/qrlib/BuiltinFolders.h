// The built-in path expansion variables: the shell folders by their identifier names, and four
// locations the library computes itself.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qrLib {

// Identifiers outside the shell's range select the library's own rules.
constexpr std::uint32_t kCommonSiloData = 0xF0000000;
constexpr std::uint32_t kLocalSiloData = 0xF0000001;
constexpr std::uint32_t kProgramFilesX64 = 0xF0000002;
constexpr std::uint32_t kProgramFilesCommonX64 = 0xF0000003;

// The shell folders the two silo data variables are built on.
constexpr std::uint32_t kFolderCommonAppData = 0x23;
constexpr std::uint32_t kFolderLocalAppData = 0x1C;

struct BuiltinFolder {
    const char16_t* name;
    std::uint32_t id;  // a shell folder identifier, or one of the four above
};

constexpr std::size_t kBuiltinFolderCount = 60;

// Sorted by name in the order of CompareNoCase, for the binary search.
extern const std::array<BuiltinFolder, kBuiltinFolderCount> kBuiltinFolders;

// The entry named `name` (case ignored), or null.
const BuiltinFolder* FindBuiltinFolder(std::u16string_view name);

}  // namespace qrLib
