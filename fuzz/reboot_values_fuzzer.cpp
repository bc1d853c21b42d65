// The reboot options' decoding: Unescape never grows a value and leaves text without backslashes
// alone; the switch reading agrees with a wide string stream wherever the stream reads a number.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "config/RebootValues.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string value;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        value += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    const std::u16string decoded = config::Unescape(value);
    Require(decoded.size() <= value.size());
    if (value.find(u'\\') == std::u16string::npos) {
        Require(decoded == value);
    }

    const std::int32_t number = config::ReadSwitchNumber(value);
    // The stream's white space and digits are ASCII in the classic locale; compare on ASCII only.
    std::wstring wide;
    for (const char16_t c : value) {
        if (c >= 0x80 || c == 0) {
            return 0;
        }
        wide += static_cast<wchar_t>(c);
    }
    std::wistringstream stream(wide);
    int streamed = -1;
    stream >> streamed;
    if (!stream.fail()) {
        Require(number == streamed);
    } else {
        Require(number == config::kNoNumber || number == std::numeric_limits<std::int32_t>::max() ||
                number == std::numeric_limits<std::int32_t>::min());
    }
    return 0;
}
