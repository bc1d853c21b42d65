// Test builds poll for setup's result every millisecond instead of every second.
#include "agent/SetupResult.h"

std::uint32_t ResultPollIntervalMs() {
    return 1;
}
