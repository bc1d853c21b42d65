// The status codes every shared-library operation answers with. A status is a failure when its sign
// bit is set; success is 0x10000, not 0.
#pragma once

#include <cstdint>

namespace qrLib {

using Status = std::int32_t;

constexpr Status kStatusOk = 0x10000;
constexpr Status kStatusNoInterface = static_cast<Status>(0x80010200);
constexpr Status kStatusOutOfMemory = static_cast<Status>(0x80010201);
constexpr Status kStatusInvalidArgument = static_cast<Status>(0x80010203);
constexpr Status kStatusComponentNotFound = static_cast<Status>(0x80010300);
constexpr Status kStatusExportMissing = static_cast<Status>(0x80010302);
constexpr Status kStatusUnexpected = static_cast<Status>(0x8001FFFF);

constexpr bool Failed(Status status) noexcept {
    return status < 0;
}

}  // namespace qrLib
