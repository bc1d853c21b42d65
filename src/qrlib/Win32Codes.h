// The Win32 error codes the shared library's core returns, without the platform headers.
#pragma once

#include <cstdint>

namespace qrLib {

constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorInternalError = 1359;

}  // namespace qrLib
