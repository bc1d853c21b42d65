// Path expansion: %NAME% variables of a wide string replaced from the isolation profile's map
// "<registry root>\Quarry\PathExpansionMap" (HKLM, 32-bit view) and the built-in shell folders.
#pragma once

#include <cstdint>
#include <string>

#include "qrlib/Isolation.h"

namespace qrLib {
namespace qrPathExpansion {

constexpr wchar_t kMapSubkey[] = L"\\Quarry\\PathExpansionMap";

// Expands `input` through the process's isolation profile: 1 with the result in `output`, or 0.
// A null input, a profile that cannot be set up or a map key that cannot be opened leave `output`
// untouched; any later failure leaves the input in `output` (rules in ExpansionRules.h). Every
// failure is sent to the software trace with the input text.
std::int32_t Expand(const wchar_t* input, std::wstring& output);

// The same through the profile `isolation`.
std::int32_t Expand(const wchar_t* input, std::wstring& output, CIsolation& isolation);

}  // namespace qrPathExpansion
}  // namespace qrLib
