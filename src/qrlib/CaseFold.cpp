#include "qrlib/CaseFold.h"

namespace qrLib {

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded) {
        c = FoldChar(c);
    }
    return folded;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldChar(text[i]) != FoldChar(prefix[i])) {
            return false;
        }
    }
    return true;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t left = FoldChar(a[i]);
        const char16_t right = FoldChar(b[i]);
        if (left != right) {
            return left < right ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace qrLib
