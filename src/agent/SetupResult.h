// Reading and recording setup's outcome after it has ended.
#pragma once

#include <cstdint>

// Polls the result marker (120 attempts), copies the code to "YolInstResult", marks a success with
// 99 and, in debug mode, tells the user. Returns 0 success, 1 failure, 2 no result.
int YolSetupResult();

// Milliseconds between two polls of the result marker. The product's definition is 1000; test
// builds link a shorter one so that the no-result path does not take two minutes.
std::uint32_t ResultPollIntervalMs();
