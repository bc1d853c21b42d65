#include "agent/RunDecision.h"

namespace run {

Path Decide(std::optional<std::uint32_t> launchSetup, std::optional<std::uint32_t> marker) {
    if (!launchSetup) {
        return Path::FirstTime;
    }
    if (marker && *marker == kMarkerInstalled) {
        return Path::AlreadySucceeded;
    }
    return *launchSetup >= kAttemptLimit ? Path::AlreadyAttempted : Path::Attempt;
}

std::uint32_t ParseStartArgument(const char* argument) {
    if (argument == nullptr) {
        return 0;
    }
    // Leading blanks and a sign are accepted as the C runtime's decimal conversion accepts them;
    // a value that does not fit 32 bits wraps like it.
    while (*argument == ' ' || *argument == '\t') {
        ++argument;
    }
    bool negative = false;
    if (*argument == '+' || *argument == '-') {
        negative = *argument == '-';
        ++argument;
    }
    std::uint32_t value = 0;
    for (; *argument >= '0' && *argument <= '9'; ++argument) {
        value = value * 10u + static_cast<std::uint32_t>(*argument - '0');
    }
    return negative ? 0u - value : value;
}

}  // namespace run
