#include "config/RebootValues.h"

#include <boost/algorithm/string/replace.hpp>

#include <limits>

namespace config {

namespace {

bool IsAsciiSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

std::int32_t ReadSwitchNumber(std::u16string_view value) {
    std::size_t at = 0;
    while (at < value.size() && IsAsciiSpace(value[at])) {
        ++at;
    }
    bool negative = false;
    if (at < value.size() && (value[at] == u'+' || value[at] == u'-')) {
        negative = value[at] == u'-';
        ++at;
    }
    const std::size_t digits = at;
    std::int64_t magnitude = 0;
    constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; at < value.size() && value[at] >= u'0' && value[at] <= u'9'; ++at) {
        if (magnitude <= kCap) {
            magnitude = magnitude * 10 + (value[at] - u'0');
        }
    }
    if (at == digits) {
        return kNoNumber;
    }
    const std::int64_t number = negative ? -magnitude : magnitude;
    if (number > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (number < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(number);
}

const char* SwitchText(std::int32_t number) {
    switch (number) {
        case 1:
            return "true";
        case 0:
            return "false";
        default:
            return nullptr;
    }
}

std::u16string Unescape(std::u16string value) {
    static const std::pair<const char16_t*, const char16_t*> kPasses[] = {
        {u"\\\\", u"\\"}, {u"\\\"", u"\""}, {u"\\a", u"\a"}, {u"\\b", u"\b"}, {u"\\f", u"\f"},
        {u"\\n", u"\n"},  {u"\\r", u"\r"},  {u"\\t", u"\t"}, {u"\\v", u"\v"}};
    for (const auto& [escape, replacement] : kPasses) {
        boost::algorithm::replace_all(value, std::u16string(escape), std::u16string(replacement));
    }
    return value;
}

}  // namespace config
