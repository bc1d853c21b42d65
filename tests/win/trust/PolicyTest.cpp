// The trust policy switch "AlternateTrustPolicy" under the test silo's registry root.
#include "TrustTestSupport.h"
#include "trust/qrVerifyTrustPolicy.h"
#include "trust/qrVerifyTrustStatic.h"

namespace {

const std::wstring kPolicyKey = trusttest::kRoot + L"\\Quarry\\qrVerifyTrust";
constexpr wchar_t kSwitch[] = L"AlternateTrustPolicy";

// 3 for an unsigned file while verification is on, 1 once it is off.
std::uint32_t VerifyUnsigned() {
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(qrLib::CreateVerifyTrust());
    EXPECT_EQ(verifier->Initialize(true), 1u);
    return verifier->VerifyFileW(trusttest::Fixture(L"unsigned.exe").c_str(), 3);
}

class Policy : public trusttest::TrustScene {};

TEST_F(Policy, UnreadableSwitchLeavesVerificationOn) {
    wintest::SetString({HKEY_LOCAL_MACHINE, kPolicyKey, KEY_WOW64_32KEY}, kSwitch, L"0");
    EXPECT_EQ(VerifyUnsigned(), 3u);
    // The 64-bit view is not read.
    wintest::SetDword({HKEY_LOCAL_MACHINE, kPolicyKey, KEY_WOW64_64KEY}, kSwitch, 0);
    wintest::SetDword({HKEY_LOCAL_MACHINE, kPolicyKey, KEY_WOW64_32KEY}, kSwitch, 1);
    EXPECT_EQ(VerifyUnsigned(), 3u);
    wintest::DeleteTree({HKEY_LOCAL_MACHINE, trusttest::kRoot, KEY_WOW64_64KEY});
}

// Turns verification off for the rest of the process: run on its own (ctest
// "trust_win_policy_off").
TEST(PolicyOff, DISABLED_SwitchZeroTurnsVerificationOffForGood) {
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(qrLib::CreateVerifyTrust());
    qrLib::qr_ptr<qrLib::IQrVerifyTrustPolicy> policy;
    ASSERT_EQ(verifier->QueryInterface(qrLib::kIidVerifyTrustPolicy, policy.put_void()), 0x10000);
    qrLib::qr_ptr<qrLib::IQrUnknown> other;
    EXPECT_EQ(policy->QueryInterface(qrLib::kIidVerifyTrustAttributeCache, other.put_void()),
              static_cast<qrLib::Status>(0x80010200));
    // No isolation registry root yet (no isolate.ini beside the test): on, and nothing written.
    EXPECT_TRUE(policy->IsTrustPolicyEnabled());
    EXPECT_FALSE(policy->SetTrustPolicy(false));

    trusttest::UseTestSilo();
    ASSERT_TRUE(policy->SetTrustPolicy(false));
    EXPECT_EQ(VerifyUnsigned(), 1u);
    // The enabled switch is fixed at Initialize, which this verifier never ran.
    EXPECT_EQ(verifier->VerifyFileW(L"C:\\no\\such\\file.exe", 3), 2u);
    // Switched back on, it stays off for the rest of the process, before any argument check.
    ASSERT_TRUE(policy->SetTrustPolicy(true));
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> later(qrLib::CreateVerifyTrust());
    ASSERT_EQ(later->Initialize(true), 1u);
    EXPECT_EQ(later->VerifyFileW(nullptr, 0), 1u);
    // A verifier that does not apply the policy stays on.
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> unpoliced(qrLib::CreateVerifyTrust());
    ASSERT_EQ(unpoliced->Initialize(false), 1u);
    EXPECT_EQ(unpoliced->VerifyFileW(L"C:\\no\\such\\file.exe", 3), 2u);

    wintest::DeleteTree(trusttest::kRootKey);
}

}  // namespace
