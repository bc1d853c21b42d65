// How the reboot options' values are read: switches as a number that must be 0 or 1, texts with
// their backslash escapes decoded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace config {

// What ReadSwitchNumber gives when no number can be read.
constexpr std::int32_t kNoNumber = -1;

// The leading decimal integer of `value`, read the way a default wide string stream reads one:
// ASCII white space skipped, an optional sign, then digits up to the first character that cannot
// continue the number. kNoNumber when there are no digits; the nearest 32-bit limit when the number
// does not fit.
std::int32_t ReadSwitchNumber(std::u16string_view value);

// "true" for 1, "false" for 0, null for any other number: an invalid switch.
const char* SwitchText(std::int32_t number);

// Nine replace-all passes in order: \\ to \, \" to ", then \a \b \f \n \r \t \v to their control
// characters. Each pass scans the previous pass's result from the left without rescanning what it
// replaced, so a doubled backslash before n ends as a line feed. Other escapes stay as written.
std::u16string Unescape(std::u16string value);

}  // namespace config
