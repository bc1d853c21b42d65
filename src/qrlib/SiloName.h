// The name of an isolation silo: a GUID in its braced text form.
#pragma once

#include <string_view>

namespace qrLib {

constexpr std::size_t kSiloNameLength = 38;

// True for exactly 38 characters: "{" first, "}" last, "-" at 9, 14, 19 and 24, and a hexadecimal
// digit of either case everywhere else.
bool IsValidSiloName(std::u16string_view name);

}  // namespace qrLib
