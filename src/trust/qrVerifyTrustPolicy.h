// The trust policy: a machine-wide switch under the isolation registry root that can turn every
// verification off. Read in the 32-bit registry view.
#pragma once

#include <windows.h>

#include "objects/qrObject.h"
#include "trust/qrVerifyTrust.h"

namespace qrLib {

constexpr wchar_t kTrustPolicySubkey[] = L"\\Quarry\\qrVerifyTrust";
constexpr wchar_t kAlternateTrustPolicyValue[] = L"AlternateTrustPolicy";
constexpr wchar_t kTrustPolicyValue[] = L"TrustPolicy";

class CVerifyTrustPolicy final : public IQrVerifyTrustPolicy {
public:
    // `alternate`: the switch is read ("AlternateTrustPolicy"); the verifier sets it.
    explicit CVerifyTrustPolicy(bool alternate) : m_alternate(alternate) {}

    Status QueryInterface(const GUID& iid, void** out) override;
    std::uint64_t AddRef() override { return m_refs.Add(); }
    std::uint64_t Release() override;

    // With the alternate flag: writes "AlternateTrustPolicy" (1 or 0), creating the key. Without:
    // true deletes "TrustPolicy" from an existing key, false does nothing.
    bool SetTrustPolicy(bool value) override;
    // False when the switch reads 0, and from then on for the rest of the process; true when the
    // key, the value or the isolation registry root is missing or unreadable.
    bool IsTrustPolicyEnabled() override;

private:
    ~CVerifyTrustPolicy() = default;

    CRefCount m_refs;
    const bool m_alternate;
};

}  // namespace qrLib
