// The verifier against Wine's crypt32 and wintrust with files signed by the test PKI, scripted
// catalogs, the file-attribute stand-ins, a signer's name fields as crypt32 reads them, and the
// trust policy switch.
#include <cstring>
#include <string>
#include <vector>

#include "TrustTestSupport.h"
#include "trust/SignerChecks.h"
#include "trust/qrVerifyTrustImpl.h"
#include "trust/qrVerifyTrustPolicy.h"
#include "trust/qrVerifyTrustStatic.h"

namespace {

using trusttest::Fixture;

// Catalog functions that answer from g_script: `catalogs` list the file (each verifying with its
// status), `hashError` (when not 0) fails the hash, `acquire` false fails the administrator
// context, the catalog at `failInfoAt` has no readable information. Records the catalogs tried,
// their member tags and the catalog contexts still held.
struct Catalog {
    std::wstring path;
    LONG status;
};
using Catalogs = std::vector<Catalog>;
struct Script {
    bool acquire = true;
    DWORD hashError = 0;
    int failInfoAt = -1;
    Catalogs catalogs;

    int contextsHeld = 0;
    std::vector<std::wstring> tried;
    std::vector<std::wstring> memberTags;
} g_script;

// Each scripted function sets its error whether it fails or not: callers read it only on failure.
BOOL WINAPI Acquire(HCATADMIN* admin) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    *admin = g_script.acquire ? reinterpret_cast<HCATADMIN>(0x1000) : nullptr;
    return g_script.acquire;
}

BOOL WINAPI Release(HCATADMIN) {
    return TRUE;
}

BOOL WINAPI CalcHash(HCATADMIN, HANDLE, DWORD* size, BYTE* hash) {
    static const BYTE kHash[] = {0x0A, 0x1B, 0xFF};
    SetLastError(g_script.hashError);
    if (g_script.hashError != 0) {
        return FALSE;
    }
    if (hash != nullptr) {
        std::memcpy(hash, kHash, sizeof kHash);
    }
    *size = sizeof kHash;
    return TRUE;
}

// Catalog contexts are the catalog's index + 1.
HCATINFO WINAPI EnumCatalog(HCATADMIN, BYTE*, DWORD, DWORD, HCATINFO* previous) {
    std::size_t next = 0;
    if (previous != nullptr && *previous != nullptr) {
        next = reinterpret_cast<std::size_t>(*previous);
        --g_script.contextsHeld;  // handed over to this call, which releases it
    }
    if (next >= g_script.catalogs.size()) {
        SetLastError(ERROR_NOT_FOUND);
        return nullptr;
    }
    ++g_script.contextsHeld;
    return reinterpret_cast<HCATINFO>(next + 1);
}

BOOL WINAPI CatalogInfo(HCATINFO catalog, CATALOG_INFO* info, DWORD) {
    const std::size_t index = reinterpret_cast<std::size_t>(catalog) - 1;
    if (static_cast<int>(index) == g_script.failInfoAt) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    lstrcpynW(info->wszCatalogFile, g_script.catalogs[index].path.c_str(), MAX_PATH);
    return TRUE;
}

BOOL WINAPI ReleaseCatalog(HCATADMIN, HCATINFO, DWORD) {
    --g_script.contextsHeld;
    return TRUE;
}

LONG WINAPI VerifyTrust(HWND, GUID*, void* data) {
    const auto* trust = static_cast<const WINTRUST_DATA*>(data);
    const std::wstring catalog = trust->pCatalog->pcwszCatalogFilePath;
    g_script.tried.push_back(catalog);
    g_script.memberTags.push_back(trust->pCatalog->pcwszMemberTag);
    for (const Catalog& entry : g_script.catalogs) {
        if (entry.path == catalog) {
            return entry.status;
        }
    }
    return TRUST_E_NOSIGNATURE;
}

// A verifier over the scripted catalogs, initialized.
qrLib::qr_ptr<qrLib::IQrVerifyTrust> ScriptedVerifier() {
    static const qrLib::CatalogApi api = {Acquire,     Release,        CalcHash,   EnumCatalog,
                                          CatalogInfo, ReleaseCatalog, VerifyTrust};
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(new qrLib::CVerifyTrust(api));
    EXPECT_EQ(verifier->Initialize(true), 1u);
    return verifier;
}

class Verifier : public trusttest::TrustScene {};

// Damaged, unsigned, stranger's and untrusted-root files are refused end to end; these answers
// differ per level or show a check of this verifier's own (the twin, the arguments).
TEST_F(Verifier, AnswersPerLevelAndArgument) {
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(qrLib::CreateVerifyTrust());
    ASSERT_EQ(verifier->Initialize(true), 1u);
    struct Case {
        const wchar_t* file;
        std::uint32_t results[5];  // levels 1 to 5
    };
    const Case cases[] = {
        {L"signed-publisher.exe", {1, 1, 1, 1, 1}},
        // No code-signing usage, but the subject marker in its unit.
        {L"signed-marker.exe", {1, 1, 3, 3, 3}},
        // The publisher's organization, but accented letters in its common name.
        {L"signed-accented.exe", {1, 1, 3, 1, 3}},
        // A second certificate under the signer's issuer and serial, with the publisher's names.
        {L"signed-twin.exe", {4, 4, 4, 4, 4}},
    };
    for (const Case& c : cases) {
        for (std::uint32_t level = 1; level <= 5; ++level) {
            EXPECT_EQ(verifier->VerifyFileW(Fixture(c.file).c_str(), level), c.results[level - 1])
                << c.file << " level " << level;
        }
    }

    const std::wstring signedFile = Fixture(L"signed-publisher.exe");
    EXPECT_EQ(verifier->VerifyFileW(nullptr, 3), 5u);
    EXPECT_EQ(verifier->VerifyFileW(L"", 3), 5u);
    EXPECT_EQ(verifier->VerifyFileW(Fixture(L"unsigned.exe").c_str(), 0), 5u);
    EXPECT_EQ(verifier->VerifyFileW((L"\"\\??\\" + signedFile + L"\"").c_str(), 3), 1u);
    const std::string ansi(signedFile.begin(), signedFile.end());
    EXPECT_EQ(verifier->VerifyFileA(ansi.c_str(), 3), 1u);
    EXPECT_EQ(verifier->VerifyFileW((L"C:\\" + std::wstring(32764, L'a')).c_str(), 3), 2u);
    EXPECT_EQ(verifier->QueryInterface(qrLib::kIidQrUnknown, nullptr),
              static_cast<qrLib::Status>(0x80010203));
}

// Catalogs are searched after a failed embedded check, except at level 3 off the attribute path.
// They are tried in turn, each with the file's hash in upper-case hex as member tag, until one
// verifies; the last status tried stands, and the file is judged by that catalog's signer.
TEST_F(Verifier, CatalogSearch) {
    const std::wstring publisher = Fixture(L"signed-publisher.exe");
    const std::wstring stranger = Fixture(L"signed-stranger.exe");
    const std::wstring bad = L"C:\\cat\\bad.cat";
    const LONG badDigest = static_cast<LONG>(TRUST_E_BAD_DIGEST);
    const LONG unknown = static_cast<LONG>(TRUST_E_PROVIDER_UNKNOWN);
    struct Case {
        Catalogs catalogs;
        std::uint32_t level, expected;
        std::vector<std::wstring> tried;
        DWORD hashError = 0;
        int failInfoAt = -1;
    };
    const Case cases[] = {
        {{{stranger, 0}}, 3, 3, {}},
        {{{stranger, 0}}, 4, 3, {stranger}},  // the stranger's names
        {{{bad, badDigest}, {publisher, 0}, {stranger, 0}}, 4, 1, {bad, publisher}},
        {{{bad, badDigest}, {stranger, unknown}}, 2, 4, {bad, stranger}},
        // A catalog's information unreadable: none is tried and the embedded status stands.
        {{{publisher, 0}, {publisher, 0}}, 2, 3, {}, 0, 1},
        // No hash: refused for a bad parameter, a verification error for anything else.
        {{{publisher, 0}}, 2, 3, {}, ERROR_INVALID_PARAMETER},
        {{{publisher, 0}}, 2, 4, {}, ERROR_ACCESS_DENIED},
    };
    const qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier = ScriptedVerifier();
    const std::wstring unsignedFile = Fixture(L"unsigned.exe");
    for (const Case& c : cases) {
        g_script = {};
        g_script.catalogs = c.catalogs;
        g_script.hashError = c.hashError;
        g_script.failInfoAt = c.failInfoAt;
        EXPECT_EQ(verifier->VerifyFileW(unsignedFile.c_str(), c.level), c.expected)
            << "case " << &c - cases;
        EXPECT_EQ(g_script.tried, c.tried);
        EXPECT_EQ(g_script.memberTags, std::vector<std::wstring>(c.tried.size(), L"0A1BFF"));
        EXPECT_EQ(g_script.contextsHeld, 0);
    }
    g_script = {};
    g_script.acquire = false;
    EXPECT_EQ(verifier->VerifyFileW(unsignedFile.c_str(), 1), 2u);
}

// The component's stored words: its answer stands unless marked unusable; without a working
// component every file is fully verified, and on the attribute path neither a missing nor a
// broken signature is made good by the signer's names, and catalogs count at level 3 too.
TEST_F(Verifier, FileAttributeComponent) {
    struct Case {
        const wchar_t* variant;
        std::vector<std::pair<const wchar_t*, DWORD>> store;
        const wchar_t* file;
        std::uint32_t level, expected;
        Catalogs catalogs = {};
        bool systemComponent = false;
    };
    const Case cases[] = {
        {L"nofactory", {{L"unsigned.exe", 0x8}}, L"unsigned.exe", 3, 3},
        {L"good", {{L"unsigned.exe", 0x38}}, L"unsigned.exe", 4, 1, {}, true},
        {L"good", {{L"signed-publisher.exe", 0x7}}, L"signed-publisher.exe", 3, 3},
        {L"good", {{L"signed-publisher.exe", 0x40000}}, L"signed-publisher.exe", 3, 1},
        {L"good", {}, L"unsigned.exe", 3, 3},
        {L"good", {}, L"tampered.exe", 3, 3},
        {L"good", {}, L"unsigned.exe", 3, 1, {{Fixture(L"signed-publisher.exe"), 0}}},
        {L"good", {{L"unsigned.exe", 0x1}}, L"unsigned.exe", 5, 3},
        {L"good", {{L"unsigned.exe", 0x8}, {L"ReaderState", 0}}, L"unsigned.exe", 3, 3},
        {L"good", {{L"unsigned.exe", 0x8}, {L"Capabilities", 0x1}}, L"unsigned.exe", 3, 3},
    };
    for (const Case& c : cases) {
        wintest::DeleteTree(trusttest::kAttrStore);
        for (const auto& [name, value] : c.store) {
            wintest::SetDword(trusttest::kAttrStore, name, value);
        }
        trusttest::UseFileAttr(c.variant);
        g_script = {};
        g_script.catalogs = c.catalogs;
        bool systemComponent = !c.systemComponent;
        EXPECT_EQ(ScriptedVerifier()->VerifyFileW(Fixture(c.file).c_str(), c.level, true,
                                                  &systemComponent),
                  c.expected)
            << "case " << &c - cases;
        EXPECT_EQ(systemComponent, c.systemComponent) << "case " << &c - cases;
    }
}

// A self-signed certificate with the subject marker as common name and `unit` (its bytes as
// given, zeros too) as organizational unit.
win::unique_cert_context Certificate(std::string unit) {
    std::string marker = "ZXT-SIGNING-MARKER";
    CERT_RDN_ATTR attributes[] = {
        {const_cast<char*>(szOID_COMMON_NAME),
         CERT_RDN_IA5_STRING,
         {static_cast<DWORD>(marker.size()), reinterpret_cast<BYTE*>(marker.data())}},
        {const_cast<char*>(szOID_ORGANIZATIONAL_UNIT_NAME),
         CERT_RDN_IA5_STRING,
         {static_cast<DWORD>(unit.size()), reinterpret_cast<BYTE*>(unit.data())}}};
    CERT_RDN rdns[] = {{1, &attributes[0]}, {1, &attributes[1]}};
    CERT_NAME_INFO name{2, rdns};
    DWORD size = 0;
    EXPECT_TRUE(CryptEncodeObject(X509_ASN_ENCODING, X509_NAME, &name, nullptr, &size));
    std::vector<BYTE> encoded(size);
    EXPECT_TRUE(CryptEncodeObject(X509_ASN_ENCODING, X509_NAME, &name, encoded.data(), &size));
    CERT_NAME_BLOB subject{size, encoded.data()};
    return win::unique_cert_context(
        CertCreateSelfSignCertificate(0, &subject, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
}

// The publisher's unit marker alone makes the signer the publisher's at level 3.
TEST(SignerFields, ComparedWholeEvenPastAZero) {
    const std::pair<std::string, std::uint32_t> cases[] = {
        {"Zanthrex Test Release Unit", 1},
        {std::string("Zanthrex Test Release Unit\0.example", 35), 3},
    };
    for (const auto& [unit, expected] : cases) {
        const win::unique_cert_context certificate = Certificate(unit);
        ASSERT_TRUE(certificate) << GetLastError();
        bool systemComponent = false;
        bool driver = false;
        std::uint32_t detail = 0;
        EXPECT_EQ(
            qrLib::CSignerChecks().Check(certificate.get(), 3, 1, systemComponent, driver, detail),
            expected)
            << unit.size();
    }
}

// Turns verification off for the rest of the process: run on its own (ctest
// "trust_win_policy_off").
TEST(PolicyOff, DISABLED_SwitchZeroTurnsVerificationOffForGood) {
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(qrLib::CreateVerifyTrust());
    qrLib::qr_ptr<qrLib::IQrVerifyTrustPolicy> policy;
    ASSERT_EQ(verifier->QueryInterface(qrLib::kIidVerifyTrustPolicy, policy.put_void()), 0x10000);
    // No isolation registry root yet (no isolate.ini beside the test): on, and nothing written.
    EXPECT_TRUE(policy->IsTrustPolicyEnabled());
    EXPECT_FALSE(policy->SetTrustPolicy(false));

    trusttest::UseTestSilo();
    ASSERT_TRUE(policy->SetTrustPolicy(true));
    EXPECT_TRUE(policy->IsTrustPolicyEnabled());  // a switch of 1 leaves it on
    const BYTE zeros[4] = {};                     // another type than a DWORD is no switch
    wintest::SetValue(
        {HKEY_LOCAL_MACHINE, trusttest::kRoot + L"\\Quarry\\qrVerifyTrust", KEY_WOW64_32KEY},
        L"AlternateTrustPolicy", REG_BINARY, zeros, 4);
    EXPECT_TRUE(policy->IsTrustPolicyEnabled());
    ASSERT_TRUE(policy->SetTrustPolicy(false));
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> off(qrLib::CreateVerifyTrust());
    ASSERT_EQ(off->Initialize(true), 1u);
    EXPECT_EQ(off->VerifyFileW(Fixture(L"unsigned.exe").c_str(), 3), 1u);  // unsigned, accepted
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
