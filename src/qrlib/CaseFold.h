// Case-insensitive handling of wide names (INI sections and keys, path expansion variables). Only
// the ASCII letters have a second case, as in the C runtime's default locale.
#pragma once

#include <string>
#include <string_view>

namespace qrLib {

// `c` in lower case when it is an ASCII capital, else unchanged.
constexpr char16_t FoldChar(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// `text` with every ASCII capital in lower case.
std::u16string FoldCase(std::u16string_view text);

// True when `text` begins with `prefix`, case ignored; an empty prefix begins everything.
bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix);

// Negative, zero or positive as `a` sorts before, with or after `b` once both are folded.
int CompareNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace qrLib
