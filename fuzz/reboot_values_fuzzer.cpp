// Unescape never grows a value and leaves one without backslashes alone; the switch reading agrees
// with a wide string stream wherever the stream reads a number that fits.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "FuzzRequire.h"
#include "config/RebootValues.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string value;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        value += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    const std::u16string decoded = config::Unescape(value);
    Require(decoded.size() <= value.size() &&
            (value.find(u'\\') != std::u16string::npos || decoded == value));
    // The stream's white space and digits are ASCII in the classic locale: compare on ASCII only.
    std::wstring wide(value.begin(), value.end());
    if (wide.find_first_of(L'\0') != std::wstring::npos ||
        std::any_of(wide.begin(), wide.end(), [](wchar_t c) { return c >= 0x80; })) {
        return 0;
    }
    std::wistringstream stream(wide);
    int streamed = 0;
    stream >> streamed;
    const std::int32_t number = config::ReadSwitchNumber(value);
    const bool limit = number == std::numeric_limits<std::int32_t>::max() ||
                       number == std::numeric_limits<std::int32_t>::min();
    Require(stream.fail() ? (number == config::kNoNumber || limit) : number == streamed);
    return 0;
}
