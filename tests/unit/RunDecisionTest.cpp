#include "agent/RunDecision.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "agent/ResultCodes.h"

namespace {

// The paths themselves are shown end to end; these are the boundaries those runs do not reach.
TEST(RunDecision, MarkerBeforeCountAndAnyCountAtAllIsAnAttempt) {
    EXPECT_EQ(run::Decide(1u, 99u), run::Path::AlreadySucceeded);
    EXPECT_EQ(run::Decide(1u, std::nullopt), run::Path::AlreadyAttempted);
    EXPECT_EQ(run::Decide(0xFFFFFFFFu, 0u), run::Path::AlreadyAttempted);
    EXPECT_EQ(run::Decide(0u, 5u), run::Path::Attempt);
}

TEST(RunDecision, StartArgumentGivesItsLeadingDigits) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"4242", 4242}, {"12abc", 12}, {"abc", 0}, {nullptr, 0}, {"  77", 77}};
    for (const auto& [argument, pid] : cases) {
        EXPECT_EQ(run::ParseStartArgument(argument), pid) << (argument ? argument : "(null)");
    }
}

TEST(ResultCodes, SuccessCodesAndTheirMessages) {
    const std::tuple<std::uint32_t, bool, const char*> cases[] = {
        {0, true, "Auto-upgrade installation SUCCESSFUL."},
        {1, false, "Auto-upgrade installation FAILED."},
        {4, true, "Auto-upgrade installation SUCCESSFUL. Restart the computer is recommended."},
        {5, true,
         "The Zanthrex Security client has been successfully updated to a newer version and will "
         "be disabled until you restart your computer.  Please restart your computer at the "
         "soonest available opportunity."},
        {6, false, "Auto-upgrade installation has error."},
        {7, false, "Auto-upgrade installation has been cancelled."},
        {2, false, nullptr},
        {99, false, nullptr}};
    for (const auto& [code, succeeded, message] : cases) {
        EXPECT_EQ(result::ForCode(code).succeeded, succeeded) << code;
        EXPECT_STREQ(result::ForCode(code).message, message) << code;
    }
}

}  // namespace
