// Path comparison as the file system sees it for the paths the agent compares: case-insensitive
// for ASCII letters only, so no locale can make two different paths equal.
#pragma once

#include <string>

template <typename Char>
bool EqualIgnoringAsciiCase(const std::basic_string<Char>& a, const std::basic_string<Char>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    auto lower = [](Char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c - 'A' + 'a') : c;
    };
    for (typename std::basic_string<Char>::size_type i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}
