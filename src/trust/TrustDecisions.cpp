#include "trust/TrustDecisions.h"

namespace qrLib {

namespace {

constexpr std::uint32_t kTrustTimeStamp = 0x80096005;
constexpr std::uint32_t kRevocationFailure = 0x800B010E;
constexpr std::uint32_t kSecuritySettings = 0x80092026;
constexpr std::uint32_t kProviderUnknown = 0x800B0001;
constexpr std::uint32_t kSubjectFormUnknown = 0x800B0003;

bool Has(std::uint32_t word, std::uint32_t bits) {
    return (word & bits) != 0;
}

}  // namespace

StoredWordDecision DecodeStoredWord(std::uint32_t word, std::uint32_t level, bool driverMode) {
    StoredWordDecision decision;
    switch (level) {
        case 2:
            decision.trusted = Has(word, kDetailUsage) || Has(word, kDetailMarker);
            break;
        case 3:
            decision.trusted = Has(word, kDetailPublisher);
            break;
        case 4:
            decision.trusted =
                Has(word, kDetailOrganization) && (!driverMode || Has(word, kDetailDriver));
            break;
        default:
            decision.trusted = Has(word, kDetailSignerRead);
            break;
    }
    decision.systemComponent = decision.trusted && Has(word, kDetailSystemComponent);
    decision.stands = !Has(word, kDetailDoNotUse);
    return decision;
}

VerifyResult ResultFromTrustError(std::uint32_t status,
                                  const std::function<std::uint32_t()>& regPolicyFlags) {
    switch (status) {
        case 0:
            return kTrusted;
        case kTrustTimeStamp:
            return kTimestampError;
        case kRevocationFailure:
            return kRevocationCheckFailed;
        case kSecuritySettings:
            return (regPolicyFlags() & kPolicyAllowOnlyPerTrust) != 0 ? kVerificationError
                                                                      : kNotTrusted;
        default:
            break;
    }
    if (status >= kProviderUnknown && status <= kSubjectFormUnknown) {
        return kVerificationError;
    }
    return kNotTrusted;
}

}  // namespace qrLib
