// The shared library's own INI reader: one value looked up in a whole file held in memory. It does
// not use the system's profile functions, so its rules are the same on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qrLib {

// Converts 8-bit file text to wide characters; the Windows side passes the ANSI code page.
using NarrowDecoder = std::u16string (*)(const std::uint8_t* data, std::size_t size);

// Widens every byte to the character of the same number.
std::u16string WidenBytes(const std::uint8_t* data, std::size_t size);

// The text of a file: UTF-16LE after an FF FE mark when the file has at least three bytes (an odd
// last byte is dropped), otherwise 8-bit text through `decode`. A NUL character ends the text.
std::u16string DecodeIniText(const std::uint8_t* data, std::size_t size,
                             NarrowDecoder decode = WidenBytes);

// The value of `key` in `section` of `text`, or `defaultValue` when there is none. Lines end only
// at CR LF; lines are trimmed of blanks and tabs; empty lines and ";" or "#" comments are skipped.
// The section is the first header whose name begins with `section` (case ignored; "[" and "]"
// around the wanted name are ignored). From there on every line whose text begins with `key` (case
// ignored) matches, in later sections too: the first match gives the text after its first "=", cut
// at a CR and trimmed, or the default when it has no "=".
std::u16string FindIniValue(std::u16string_view text, std::u16string_view section,
                            std::u16string_view key, std::u16string_view defaultValue);

// Copies `value` into `output`, cut to `size` - 1 characters and terminated. Returns the number of
// characters copied; writes nothing and returns 0 when `output` is null or `size` is 0.
template <typename CharT>
std::uint32_t CopyTruncated(std::u16string_view value, CharT* output, std::uint32_t size) {
    if (output == nullptr || size == 0) {
        return 0;
    }
    const std::size_t length = value.size() < size - 1 ? value.size() : size - 1;
    for (std::size_t i = 0; i < length; ++i) {
        output[i] = static_cast<CharT>(value[i]);
    }
    output[length] = 0;
    return static_cast<std::uint32_t>(length);
}

// FindIniValue over the bytes of a file, copied into `output` by CopyTruncated. An empty file
// gives the default. Returns the length of the output.
std::uint32_t ReadIniValue(std::u16string_view section, std::u16string_view key,
                           std::u16string_view defaultValue, char16_t* output, std::uint32_t size,
                           const std::uint8_t* data, std::size_t dataSize,
                           NarrowDecoder decode = WidenBytes);

}  // namespace qrLib
