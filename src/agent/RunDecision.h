// What a service run does with the staged package, decided from the registry handshake alone.
#pragma once

#include <cstdint>
#include <optional>

namespace run {

// Setup is attempted at most once per staged package.
constexpr std::uint32_t kAttemptLimit = 1;
// The result marker's value once the staged package has been installed successfully.
constexpr std::uint32_t kMarkerInstalled = 99;

enum class Path {
    FirstTime,         // "LaunchSetup" absent or unreadable: attempt, then write 1
    AlreadySucceeded,  // marker 99: succeed without running setup
    AlreadyAttempted,  // count at the limit: fail without running setup
    Attempt,           // staged, not yet attempted: attempt, then count it
};

// `launchSetup` and `marker` are the REG_DWORD values, or empty when absent or of another type.
// The marker only counts when "LaunchSetup" was read.
Path Decide(std::optional<std::uint32_t> launchSetup, std::optional<std::uint32_t> marker);

// The caller PID from the start argument: its leading decimal digits, 0 when there are none.
std::uint32_t ParseStartArgument(const char* argument);

}  // namespace run
