// Name fields as crypt32 reads them from a certificate made here.
#include "TrustTestSupport.h"

#include <wincrypt.h>

#include <vector>

#include "trust/SignerChecks.h"
#include "win/unique_any.h"

namespace {

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
