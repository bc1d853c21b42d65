// The 16-byte identifiers of classes and interfaces as the core sees them: the same fields, in the
// same memory layout, as the platform's GUID, with their braced text form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qrLib {

struct Identifier {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};
};

bool operator==(const Identifier& a, const Identifier& b);
inline bool operator!=(const Identifier& a, const Identifier& b) {
    return !(a == b);
}
// A total order, so identifiers can key an ordered map.
bool operator<(const Identifier& a, const Identifier& b);

// Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits of either case, nothing around it)
// into `id`; false, leaving `id` alone, for any other text.
bool ParseIdentifier(std::u16string_view text, Identifier& id);

// The braced text form with upper-case hex digits, as traces and the map's subkey names show it.
std::u16string IdentifierText(const Identifier& id);

}  // namespace qrLib
