#include <gtest/gtest.h>

#include <string>

#include "service/ErrorText.h"
#include "service/StartWait.h"

namespace {

TEST(StartWait, PollsATenthOfTheHintWithinBoundsAndGivesUpWithoutProgress) {
    EXPECT_EQ(StartPollInterval(0), 1000u);
    EXPECT_EQ(StartPollInterval(10009), 1000u);
    EXPECT_EQ(StartPollInterval(50000), 5000u);
    EXPECT_EQ(StartPollInterval(200000), 10000u);

    // No progress is measured from the last check-point rise.
    CStartProgress progress(/*checkPoint=*/1, /*tick=*/1000);  // the first query
    EXPECT_TRUE(progress.Observe(1, 3000, 4000));              // 3000 ms, not more than the hint
    EXPECT_FALSE(progress.Observe(1, 3000, 4001));             // one more: given up
    EXPECT_TRUE(progress.Observe(2, 3000, 9000));  // a rise restarts the clock, however late
    EXPECT_FALSE(progress.Observe(2, 3000, 12001));

    // The tick count wraps after 49.7 days; the difference is taken modulo 2^32.
    CStartProgress wrapping(5, 0xFFFFFF00u);
    EXPECT_TRUE(wrapping.Observe(5, 1000, 0x00000100u));
    EXPECT_FALSE(wrapping.Observe(5, 1000, 0x00000400u));
}

TEST(ErrorText, SystemTextWithoutItsLineBreakAndTheCodeInHex) {
    EXPECT_EQ(ComposeErrorText("Access denied.\r\n", 5), "Access denied. (0x5)");
    EXPECT_EQ(ComposeErrorText(nullptr, 5), "");

    // 242 characters with the line break fit the 256-byte buffer; 243 do not.
    const std::string fits = std::string(240, 'e') + "\r\n";
    EXPECT_EQ(ComposeErrorText(fits.c_str(), 0xFFFFFFFFu), std::string(240, 'e') + " (0xffffffff)");
    const std::string tooLong = std::string(241, 'e') + "\r\n";
    EXPECT_EQ(ComposeErrorText(tooLong.c_str(), 5), "");
}

}  // namespace
