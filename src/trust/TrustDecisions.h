// The verifier's decisions over plain numbers: what a stored detail word says for a trust level,
// and which answer a trust-platform status gives.
#pragma once

#include <cstdint>
#include <functional>

#include "trust/TrustResults.h"

namespace qrLib {

struct StoredWordDecision {
    bool stands = false;           // false: the word must be ignored and the file fully verified
    bool trusted = false;          // meaningful only when the decision stands
    bool systemComponent = false;  // the word's system-component usage, cleared when not trusted
};

// Level 2: usage or marker; 3: publisher; 4: organization, and in driver mode also the driver
// usage; any other level: the signer was read. A word carrying the do-not-use bit never stands.
StoredWordDecision DecodeStoredWord(std::uint32_t word, std::uint32_t level, bool driverMode);

constexpr std::uint32_t kPolicyAllowOnlyPerTrust = 0x00040000;

// The answer for the last status of the signature check. `regPolicyFlags` is asked only for the
// security-settings status, whose answer depends on the machine's trust-publisher policy.
VerifyResult ResultFromTrustError(std::uint32_t status,
                                  const std::function<std::uint32_t()>& regPolicyFlags);

}  // namespace qrLib
