#include "config/OptionMaps.h"

namespace config {

OptionMap InstallOptionMap() {
    return {{"AddProgramIntoStartMenu", "AddProgramIntoStartMenu"},
            // Carried unchanged: setup reads the key with the sense config.xml gives it.
            {"EnableZeDaduzSubMission", "OptOutRepSubmission"},
            {"InstallationDirectory", "DestinationDirectory"},
            {"KeepAllDataOnUpgrade", "KeepPreviousSetting"},
            {"SpecifyReducedInstallSize", "ReducedSize"}};
}

OptionMap RebootSwitchMap() {
    return {{"AutoReboot", "AutoReboot"},
            {"HardReboot", "HardReboot"},
            {"PromptUser", "RebootPromptUser"},
            {"Randomize", "RebootRandomize"}};
}

OptionMap RebootTextMap() {
    return {{"Countdown", "Countdown"},           {"DisplayTimeout", "DisplayTimeout"},
            {"MaxSnoozeCount", "MaxSnoozeCount"}, {"PromptMessage", "RebootPromptMessage"},
            {"PromptType", "PromptType"},         {"RandomizeHours", "RebootRandomizeHours"},
            {"RebootDay", "RebootDay"},           {"RebootMethod", "RebootMethod"},
            {"RebootMinutes", "RebootMinutes"},   {"RebootSchedule", "RebootSchedule"},
            {"SnoozeInterval", "SnoozeInterval"}};
}

}  // namespace config
