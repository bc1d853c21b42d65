// The product's own result-poll interval: the other test binaries link a faster one.
#include <gtest/gtest.h>

#include "agent/SetupResult.h"

namespace {

// The product waits a second between its polls for setup's result.
TEST(ResultPolling, TheProductPollsOnceASecond) {
    EXPECT_EQ(ResultPollIntervalMs(), 1000u);
}

}  // namespace
