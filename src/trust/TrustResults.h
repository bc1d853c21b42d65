// The answers of the file verifier and the flag word its signer stage fills. Shared by the core
// rules and the Windows side.
#pragma once

#include <cstdint>

namespace qrLib {

using VerifyResult = std::uint32_t;

constexpr VerifyResult kTrusted = 1;
constexpr VerifyResult kFileError = 2;
constexpr VerifyResult kNotTrusted = 3;
constexpr VerifyResult kVerificationError = 4;
constexpr VerifyResult kInvalidArgument = 5;
constexpr VerifyResult kInternalError = 6;
constexpr VerifyResult kRevocationCheckFailed = 15;
constexpr VerifyResult kTimestampError = 20;

// The verification detail word: what a full verification found out about the signer. The
// file-attribute component stores words of the same layout.
constexpr std::uint32_t kDetailSignerRead = 0x1;
constexpr std::uint32_t kDetailUsageOrMarker = 0x2 | 0x4;
constexpr std::uint32_t kDetailUsage = 0x2;
constexpr std::uint32_t kDetailMarker = 0x4;
constexpr std::uint32_t kDetailPublisher = 0x8;
constexpr std::uint32_t kDetailOrganization = 0x10;
constexpr std::uint32_t kDetailSystemComponent = 0x20;
constexpr std::uint32_t kDetailDriver = 0x40;
constexpr std::uint32_t kDetailFromCatalog = 0x1000;
constexpr std::uint32_t kDetailCertificateFound = 0x4000;
constexpr std::uint32_t kDetailDoNotUse = 0x40000;

}  // namespace qrLib
