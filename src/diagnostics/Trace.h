// Trace points of shared-library code: silent unless a trace controller has enabled the provider
// with the point's flag and at least its level.
#pragma once

#include <cstdint>

namespace trace {

constexpr std::uint32_t kFlagError = 0x1;
constexpr std::uint32_t kFlagInfo = 0x2;
constexpr std::uint8_t kLevelError = 2;
constexpr std::uint8_t kLevelWarning = 3;
constexpr std::uint8_t kLevelInfo = 4;

bool Enabled(std::uint32_t flag, std::uint8_t level);

// Emits `text` (and a number, typically a Win32 error) with the given message number.
void Text(std::uint32_t flag, std::uint8_t level, std::uint16_t number, const wchar_t* text,
          std::uint32_t value);

}  // namespace trace
