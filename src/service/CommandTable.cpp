#include "service/CommandTable.h"

#include <cstring>

namespace {

struct CommandEntry {
    const char* text;
    Command command;
};

// Order matters: "-uninstall" is tested after "-install", which it does not contain.
constexpr CommandEntry kCommands[] = {
    {"-install", Command::Install}, {"-uninstall", Command::Uninstall}, {"-start", Command::Start},
    {"-stop", Command::Stop},       {"-debug", Command::Debug},
};

}  // namespace

Command MatchCommand(const char* argument) {
    if (argument == nullptr) {
        return Command::None;
    }
    for (const CommandEntry& entry : kCommands) {
        if (std::strstr(argument, entry.text) != nullptr) {
            return entry.command;
        }
    }
    return Command::None;
}
