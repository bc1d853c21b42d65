// The command switches, matched as case-sensitive substrings of the first argument, in table order.
#pragma once

enum class Command { None, Install, Uninstall, Start, Stop, Debug };

// The first switch of the table that occurs anywhere in `argument` ("x-installer" is an install,
// "-install-uninstall" too); Command::None when none occurs or the argument is null.
Command MatchCommand(const char* argument);
