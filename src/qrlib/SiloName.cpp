#include "qrlib/SiloName.h"

namespace qrLib {

namespace {

bool IsHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

char16_t RequiredPunctuation(std::size_t position) {
    switch (position) {
        case 0:
            return u'{';
        case kSiloNameLength - 1:
            return u'}';
        case 9:
        case 14:
        case 19:
        case 24:
            return u'-';
        default:
            return 0;
    }
}

}  // namespace

bool IsValidSiloName(std::u16string_view name) {
    if (name.size() != kSiloNameLength) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t punctuation = RequiredPunctuation(i);
        const bool ok = punctuation != 0 ? name[i] == punctuation : IsHexDigit(name[i]);
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace qrLib
