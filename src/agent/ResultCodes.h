// What each result code that setup leaves in the result marker means for the run.
#pragma once

#include <cstdint>

namespace result {

// YolSetupResult's answers.
constexpr int kSucceeded = 0;
constexpr int kFailed = 1;
constexpr int kNoResult = 2;

struct Outcome {
    bool succeeded;       // the upgrade went in: the marker becomes 99
    const char* message;  // the debug-mode message box text, or null for none
};

Outcome ForCode(std::uint32_t code);

constexpr char kMessageCaption[] = "Zanthrex Client Upgrade";

}  // namespace result
