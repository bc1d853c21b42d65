// The product's poll interval for setup's result code. Kept in a file of its own so that test
// builds can link a shorter one instead.
#include "agent/SetupResult.h"

std::uint32_t ResultPollIntervalMs() {
    return 1000;
}
