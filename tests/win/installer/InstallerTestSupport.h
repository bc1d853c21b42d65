// Shared by the installer tests: where the sample packages were built.
#pragma once

#include <string>

// The sample package of `release` ("12.1.6860.6400", "NoUpgradeCode", ...) as a Windows path.
std::string SamplePackage(const char* release);
