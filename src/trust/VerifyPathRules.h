// The string rules of the verifier's path normalization: quotes off, a volume device path turned
// into a drive path, the "\??\" prefix removed.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qrLib {

// The device a drive letter maps to ("\Device\HarddiskVolume2" for 'C'); false when unknown.
using DosDeviceQuery = std::function<bool(char16_t drive, std::u16string& target)>;

// Double quotes trimmed from both ends; then "\device\harddiskVolume<N>\rest" (case ignored)
// becomes "X:\rest" for the first drive A to Z whose device matches (case ignored), or "\rest"
// with none; else a leading "\??\" and every backslash and question mark after it go.
std::u16string NormalizeVerifyPathText(std::u16string_view path, const DosDeviceQuery& query);

}  // namespace qrLib
