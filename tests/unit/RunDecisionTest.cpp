#include "agent/RunDecision.h"

#include <gtest/gtest.h>

#include "agent/ResultCodes.h"

namespace {

using run::Decide;
using run::Path;

TEST(RunDecision, RegistryHandshakePicksThePath) {
    EXPECT_EQ(Decide(std::nullopt, std::nullopt), Path::FirstTime);
    // Without "LaunchSetup" the marker is not consulted: setup runs even after a success.
    EXPECT_EQ(Decide(std::nullopt, 99u), Path::FirstTime);
    EXPECT_EQ(Decide(0u, std::nullopt), Path::Attempt);
    EXPECT_EQ(Decide(0u, 5u), Path::Attempt);
    EXPECT_EQ(Decide(0u, 99u), Path::AlreadySucceeded);
    EXPECT_EQ(Decide(1u, 99u), Path::AlreadySucceeded);
    EXPECT_EQ(Decide(1u, std::nullopt), Path::AlreadyAttempted);
    EXPECT_EQ(Decide(3u, 5u), Path::AlreadyAttempted);
    EXPECT_EQ(Decide(0xFFFFFFFFu, 0u), Path::AlreadyAttempted);
}

TEST(RunDecision, StartArgumentGivesItsLeadingDigits) {
    EXPECT_EQ(run::ParseStartArgument("4242"), 4242u);
    EXPECT_EQ(run::ParseStartArgument("12abc"), 12u);
    EXPECT_EQ(run::ParseStartArgument("abc"), 0u);
    EXPECT_EQ(run::ParseStartArgument(""), 0u);
    EXPECT_EQ(run::ParseStartArgument(nullptr), 0u);
    EXPECT_EQ(run::ParseStartArgument("  77"), 77u);
}

TEST(ResultCodes, SuccessCodesAndTheirMessages) {
    for (std::uint32_t code : {0u, 4u, 5u}) {
        EXPECT_TRUE(result::ForCode(code).succeeded) << code;
    }
    for (std::uint32_t code : {1u, 2u, 3u, 6u, 7u, 8u, 99u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(result::ForCode(code).succeeded) << code;
    }
    EXPECT_STREQ(result::ForCode(0).message, "Auto-upgrade installation SUCCESSFUL.");
    EXPECT_STREQ(result::ForCode(1).message, "Auto-upgrade installation FAILED.");
    EXPECT_STREQ(result::ForCode(4).message,
                 "Auto-upgrade installation SUCCESSFUL. Restart the computer is recommended.");
    EXPECT_STREQ(result::ForCode(5).message,
                 "The Zanthrex Security client has been successfully updated to a newer version "
                 "and will be disabled until you restart your computer.  Please restart your "
                 "computer at the soonest available opportunity.");
    EXPECT_STREQ(result::ForCode(6).message, "Auto-upgrade installation has error.");
    EXPECT_STREQ(result::ForCode(7).message, "Auto-upgrade installation has been cancelled.");
    for (std::uint32_t code : {2u, 3u, 8u, 99u}) {
        EXPECT_EQ(result::ForCode(code).message, nullptr) << code;
    }
}

}  // namespace
