// The "%s (0x%x)" text of a Win32 error, as the service host's messages show it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kErrorTextBuffer = 256;

// `systemText` as the system returned it (ending in its line break), `code` the error.
// Empty when there is no text or when its length plus 14 exceeds the 256-byte buffer.
std::string ComposeErrorText(const char* systemText, std::uint32_t code);
