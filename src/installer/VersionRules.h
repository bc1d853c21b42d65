// Version texts of installer packages and products, and the rule that refuses a downgrade.
// Platform-independent: the Windows side reads the texts, this decides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace installer {

// GenerateCommandLine's result when the package is older than the installed client.
constexpr int kResultDowngrade = 114;

using Version = std::vector<std::int32_t>;

// The components of a dotted version text. Each piece between dots counts by its leading decimal
// digits (an optional sign first); an empty or non-numeric piece is 0, and only a non-empty last
// piece is kept: "1..2" gives 1, 0, 2 and "1.2." gives 1, 2. Out-of-range values saturate.
Version ParseVersion(const std::string& text);

// Compares the first `count` components of `left` and `right`; a component a version lacks counts
// as 0. Negative, 0 or positive as `left` is lower, equal or higher at the first difference.
int CompareVersions(const Version& left, const Version& right, std::size_t count);

// True when `candidate` outranks `best` over the candidate's own components: the choice among
// several installed related products.
bool IsHigherVersion(const std::string& candidate, const std::string& best);

// The downgrade check: logs "New Version = ..." and, when the installed version is higher over
// its own components, the refusal. Returns 0, or kResultDowngrade. Nothing installed passes.
int CheckPackageVersion(bool installed, const std::string& installedVersion,
                        const std::string& packageVersion);

}  // namespace installer
