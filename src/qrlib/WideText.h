// Conversions between the core's UTF-16 strings and the platform's wide strings, which on Windows
// hold the same 16-bit units.
#pragma once

#include <string>
#include <string_view>

namespace qrLib {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline std::u16string ToU16(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

// Null reads as empty.
inline std::u16string ToU16(const wchar_t* text) {
    return text == nullptr ? std::u16string() : ToU16(std::wstring_view(text));
}

inline std::wstring ToWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace qrLib
