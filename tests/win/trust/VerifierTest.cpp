// The verifier against Wine's crypt32 and wintrust with files signed by the test PKI, and the
// signer's name fields as crypt32 reads them from a certificate made here.
#include <string>
#include <vector>

#include "TrustTestSupport.h"
#include "trust/SignerChecks.h"
#include "trust/qrVerifyTrustStatic.h"

namespace {

using trusttest::Fixture;

class Verifier : public ::testing::Test {
protected:
    Verifier() {
        trusttest::UseTestSilo();
        Clear();
    }
    ~Verifier() override { Clear(); }
    static void Clear() {
        wintest::DeleteTree(trusttest::kRootKey);
        wintest::DeleteTree(trusttest::kAttrStore);
    }
};

TEST_F(Verifier, SignedFilesPerLevel) {
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(qrLib::CreateVerifyTrust());
    ASSERT_EQ(verifier->Initialize(true), 1u);
    struct Case {
        const wchar_t* file;
        std::uint32_t results[5];  // levels 1 to 5
    };
    const Case cases[] = {
        {L"signed-publisher.exe", {1, 1, 1, 1, 1}},
        {L"signed-stranger.exe", {1, 1, 3, 3, 3}},
        // No code-signing usage, but the subject marker in its unit.
        {L"signed-marker.exe", {1, 1, 3, 3, 3}},
        {L"signed-untrusted.exe", {3, 3, 3, 3, 3}},
        // The publisher's organization, but accented letters in its common name.
        {L"signed-accented.exe", {1, 1, 3, 1, 3}},
        // A second certificate under the signer's issuer and serial, with the publisher's names.
        {L"signed-twin.exe", {4, 4, 4, 4, 4}},
        {L"tampered.exe", {3, 3, 3, 3, 3}},
        {L"bad-signature.exe", {3, 3, 3, 3, 3}},
        {L"truncated.exe", {3, 3, 3, 3, 3}},
        {L"oversized.exe", {3, 3, 3, 3, 3}},
        {L"headers-only.exe", {3, 3, 3, 3, 3}},
        {L"unsigned.exe", {3, 3, 3, 3, 3}},
        {L"missing.exe", {2, 2, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        for (std::uint32_t level = 1; level <= 5; ++level) {
            EXPECT_EQ(verifier->VerifyFileW(Fixture(c.file).c_str(), level), c.results[level - 1])
                << c.file << " level " << level;
        }
    }
}

TEST_F(Verifier, ArgumentsAndInterfaces) {
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(qrLib::CreateVerifyTrust());
    ASSERT_EQ(verifier->Initialize(true), 1u);
    const std::wstring signedFile = Fixture(L"signed-publisher.exe");
    EXPECT_EQ(verifier->VerifyFileW(nullptr, 3), 5u);
    EXPECT_EQ(verifier->VerifyFileW(L"", 3), 5u);
    EXPECT_EQ(verifier->VerifyFileW(signedFile.c_str(), 0), 5u);
    EXPECT_EQ(verifier->VerifyFileA(static_cast<const char*>(nullptr), 3), 5u);
    EXPECT_EQ(verifier->VerifyFileW((L"\"\\??\\" + signedFile + L"\"").c_str(), 3), 1u);
    const std::string ansi(signedFile.begin(), signedFile.end());
    EXPECT_EQ(verifier->VerifyFileA(ansi.c_str(), 3), 1u);
    EXPECT_EQ(verifier->VerifyFileW((L"C:\\" + std::wstring(32764, L'a')).c_str(), 3), 2u);
    // Slots this program never uses refuse without looking.
    EXPECT_EQ(verifier->VerifyCurrentProcess(3), 4u);

    qrLib::qr_ptr<qrLib::IQrVerifyTrustPolicy> policy;
    ASSERT_EQ(verifier->QueryInterface(qrLib::kIidVerifyTrustPolicy, policy.put_void()), 0x10000);
    qrLib::qr_ptr<qrLib::IQrUnknown> base;
    EXPECT_EQ(policy->QueryInterface(qrLib::kIidQrUnknown, base.put_void()), 0x10000);
    EXPECT_EQ(policy->QueryInterface(qrLib::kIidVerifyTrustAttributeCache, base.put_void()),
              static_cast<qrLib::Status>(0x80010200));
    const GUID other = {0x5B9E112F, 0x80C3, 0x42A0, {0xA3, 0xED, 0x41, 0xDA, 0x9E, 0xE5, 0x5F, 0}};
    EXPECT_EQ(verifier->QueryInterface(other, base.put_void()),
              static_cast<qrLib::Status>(0x80010200));
    EXPECT_EQ(verifier->QueryInterface(qrLib::kIidQrUnknown, nullptr),
              static_cast<qrLib::Status>(0x80010203));
    EXPECT_FALSE(verifier->GetRevocation());
}

// Catalogs are searched after a failed embedded check, except at level 3 without the attribute
// path; a file listed in a catalog is judged by the catalog's signer.
TEST_F(Verifier, CatalogFallback) {
    const std::wstring unsignedFile = Fixture(L"unsigned.exe");
    trusttest::ScriptedCatalogs script;
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier =
        trusttest::MakeVerifier(trusttest::ScriptedCatalogApi(script));
    script.catalogs = {{Fixture(L"signed-stranger.exe"), 0}};
    EXPECT_EQ(verifier->VerifyFileW(unsignedFile.c_str(), 3), 3u);
    EXPECT_TRUE(script.tried.empty());
    EXPECT_EQ(verifier->VerifyFileW(unsignedFile.c_str(), 2), 1u);
    EXPECT_EQ(verifier->VerifyFileW(unsignedFile.c_str(), 4), 3u);  // the stranger's names
    script.catalogs = {{Fixture(L"signed-publisher.exe"), 0}};
    EXPECT_EQ(verifier->VerifyFileW(unsignedFile.c_str(), 4), 1u);
    EXPECT_EQ(script.contextsHeld, 0);

    script.acquire = false;
    EXPECT_EQ(verifier->VerifyFileW(unsignedFile.c_str(), 1), 2u);
}

// The component's stored words: its answer stands unless marked unusable; without a working
// component every file is fully verified.
TEST_F(Verifier, FileAttributeComponent) {
    trusttest::ScriptedCatalogs script;
    const qrLib::CatalogApi& catalogs = trusttest::ScriptedCatalogApi(script);
    struct Case {
        const wchar_t* variant;
        std::vector<std::pair<const wchar_t*, DWORD>> store;
        const wchar_t* file;
        std::uint32_t level;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {L"nofactory", {{L"unsigned.exe", 0x8}}, L"unsigned.exe", 3, 3},
        {L"good", {{L"unsigned.exe", 0x8}}, L"unsigned.exe", 3, 1},
        {L"good", {{L"signed-publisher.exe", 0x7}}, L"signed-publisher.exe", 3, 3},
        {L"good", {{L"signed-publisher.exe", 0x40000}}, L"signed-publisher.exe", 3, 1},
        // No stored word: fully verified, and on the attribute path neither a missing nor a
        // broken signature is made good by the signer's names.
        {L"good", {}, L"unsigned.exe", 3, 3},
        {L"good", {}, L"tampered.exe", 3, 3},
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
        qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier = trusttest::MakeVerifier(catalogs);
        EXPECT_EQ(verifier->VerifyFileW(Fixture(c.file).c_str(), c.level), c.expected)
            << "case " << &c - cases;
    }

    // Without a stored word the attribute path searches the catalogs at level 3 too (the last
    // case left the good component in place).
    wintest::DeleteTree(trusttest::kAttrStore);
    script.catalogs = {{Fixture(L"signed-publisher.exe"), 0}};
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier = trusttest::MakeVerifier(catalogs);
    EXPECT_EQ(verifier->VerifyFileW(Fixture(L"unsigned.exe").c_str(), 3), 1u);

    // The system-component usage comes from the word.
    wintest::SetDword(trusttest::kAttrStore, L"unsigned.exe", 0x38);
    bool systemComponent = false;
    EXPECT_EQ(verifier->VerifyFileW(Fixture(L"unsigned.exe").c_str(), 4, true, &systemComponent),
              1u);
    EXPECT_TRUE(systemComponent);
}

// A self-signed certificate whose subject carries the test publisher's names, the subject marker
// as its unit, and `commonName` (its bytes as given, zeros too) as common name.
win::unique_cert_context Certificate(const std::string& commonName) {
    const std::pair<const char*, std::string> values[] = {
        {szOID_COUNTRY_NAME, "ZZ"},
        {szOID_STATE_OR_PROVINCE_NAME, "Test State"},
        {szOID_LOCALITY_NAME, "Testville"},
        {szOID_ORGANIZATION_NAME, "Zanthrex Test Publisher"},
        {szOID_ORGANIZATIONAL_UNIT_NAME, "ZXT-SIGNING-MARKER"},
        {szOID_COMMON_NAME, commonName},
    };
    CERT_RDN_ATTR attributes[6];
    CERT_RDN rdns[6];
    for (DWORD i = 0; i < 6; ++i) {
        const std::string& text = values[i].second;
        attributes[i] = {
            const_cast<char*>(values[i].first),
            static_cast<DWORD>(i == 5 ? CERT_RDN_IA5_STRING : CERT_RDN_PRINTABLE_STRING),
            {static_cast<DWORD>(text.size()),
             reinterpret_cast<BYTE*>(const_cast<char*>(text.data()))}};
        rdns[i] = {1, &attributes[i]};
    }
    CERT_NAME_INFO name{6, rdns};
    DWORD size = 0;
    EXPECT_TRUE(CryptEncodeObject(X509_ASN_ENCODING, X509_NAME, &name, nullptr, &size));
    std::vector<BYTE> encoded(size);
    EXPECT_TRUE(CryptEncodeObject(X509_ASN_ENCODING, X509_NAME, &name, encoded.data(), &size));
    CERT_NAME_BLOB subject{size, encoded.data()};
    return win::unique_cert_context(
        CertCreateSelfSignCertificate(0, &subject, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
}

TEST(SignerFields, ComparedWholeEvenPastAZero) {
    const std::pair<std::string, std::uint32_t> cases[] = {
        {"Zanthrex Test Publisher", 1},
        {std::string("Zanthrex Test Publisher\0.example", 32), 3},
    };
    for (const auto& [commonName, expected] : cases) {
        const win::unique_cert_context certificate = Certificate(commonName);
        ASSERT_TRUE(certificate) << GetLastError();
        bool systemComponent = false;
        bool driver = false;
        std::uint32_t detail = 0;
        EXPECT_EQ(
            qrLib::CSignerChecks().Check(certificate.get(), 3, 1, systemComponent, driver, detail),
            expected)
            << commonName.size();
    }
}

}  // namespace
