#include "service/CommandTable.h"

#include <gtest/gtest.h>

namespace {

// A switch matches anywhere in the argument, case-sensitively; when several occur, the earlier
// switch of the table wins, wherever it stands in the argument.
TEST(CommandTable, FirstSwitchOfTheTableFoundInTheArgument) {
    EXPECT_EQ(MatchCommand("/install"), Command::None);
    EXPECT_EQ(MatchCommand("-Debug"), Command::None);
    EXPECT_EQ(MatchCommand(nullptr), Command::None);
    EXPECT_EQ(MatchCommand("-uninstall-install"), Command::Install);
    EXPECT_EQ(MatchCommand("-stop-start"), Command::Start);
    EXPECT_EQ(MatchCommand("-debug-stop"), Command::Stop);
}

}  // namespace
