// Who asked for the upgrade. The start command runs as a process of this same executable and
// passes its own ID; the interesting process is the one that ran the start command.
#pragma once

#include <cstdint>

// The parent of process `pid` when `pid` runs this same executable (image paths compared
// ignoring ASCII case); 0 when it does not, or when either process cannot be looked up.
std::uint32_t ResolveCallerPid(std::uint32_t pid);
