#include "objects/Identifier.h"

#include <cstring>
#include <tuple>

namespace qrLib {

namespace {

constexpr std::size_t kTextLength = 38;
// Where each of the 16 bytes starts in the text, after the brace; hyphens sit between groups.
constexpr std::size_t kBytePositions[16] = {1,  3,  5,  7,  10, 12, 15, 17,
                                            20, 22, 25, 27, 29, 31, 33, 35};
constexpr std::size_t kHyphens[4] = {9, 14, 19, 24};

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// The identifier as the 16 bytes of its text, in reading order (data1 to data4, big-endian).
void ToReadingOrder(const Identifier& id, std::uint8_t bytes[16]) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(id.data1 >> (24 - 8 * i));
    }
    bytes[4] = static_cast<std::uint8_t>(id.data2 >> 8);
    bytes[5] = static_cast<std::uint8_t>(id.data2);
    bytes[6] = static_cast<std::uint8_t>(id.data3 >> 8);
    bytes[7] = static_cast<std::uint8_t>(id.data3);
    std::memcpy(bytes + 8, id.data4, 8);
}

}  // namespace

bool operator==(const Identifier& a, const Identifier& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

bool operator<(const Identifier& a, const Identifier& b) {
    if (std::tie(a.data1, a.data2, a.data3) != std::tie(b.data1, b.data2, b.data3)) {
        return std::tie(a.data1, a.data2, a.data3) < std::tie(b.data1, b.data2, b.data3);
    }
    return std::memcmp(a.data4, b.data4, sizeof a.data4) < 0;
}

bool ParseIdentifier(std::u16string_view text, Identifier& id) {
    if (text.size() != kTextLength || text.front() != u'{' || text.back() != u'}') {
        return false;
    }
    for (std::size_t hyphen : kHyphens) {
        if (text[hyphen] != u'-') {
            return false;
        }
    }
    std::uint8_t bytes[16] = {};
    for (std::size_t i = 0; i < 16; ++i) {
        const int high = HexValue(text[kBytePositions[i]]);
        const int low = HexValue(text[kBytePositions[i] + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    Identifier parsed;
    parsed.data1 = static_cast<std::uint32_t>(bytes[0]) << 24 |
                   static_cast<std::uint32_t>(bytes[1]) << 16 |
                   static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
    parsed.data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    parsed.data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    std::memcpy(parsed.data4, bytes + 8, 8);
    id = parsed;
    return true;
}

std::u16string IdentifierText(const Identifier& id) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::uint8_t bytes[16] = {};
    ToReadingOrder(id, bytes);
    std::u16string text(kTextLength, u'-');
    text.front() = u'{';
    text.back() = u'}';
    for (std::size_t i = 0; i < 16; ++i) {
        text[kBytePositions[i]] = kDigits[bytes[i] >> 4];
        text[kBytePositions[i] + 1] = kDigits[bytes[i] & 0xF];
    }
    return text;
}

}  // namespace qrLib
