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
    const auto byteString = [](const char* oid, const std::string& text,
                               DWORD type = CERT_RDN_PRINTABLE_STRING) {
        return CERT_RDN_ATTR{const_cast<char*>(oid),
                             type,
                             {static_cast<DWORD>(text.size()),
                              reinterpret_cast<BYTE*>(const_cast<char*>(text.data()))}};
    };
    // The values outlive the attributes that point into them.
    const std::string values[] = {"ZZ", "Test State", "Testville", "Zanthrex Test Publisher",
                                  "ZXT-SIGNING-MARKER"};
    CERT_RDN_ATTR attributes[] = {
        byteString(szOID_COUNTRY_NAME, values[0]),
        byteString(szOID_STATE_OR_PROVINCE_NAME, values[1]),
        byteString(szOID_LOCALITY_NAME, values[2]),
        byteString(szOID_ORGANIZATION_NAME, values[3]),
        byteString(szOID_ORGANIZATIONAL_UNIT_NAME, values[4]),
        byteString(szOID_COMMON_NAME, commonName, CERT_RDN_IA5_STRING),
    };
    CERT_RDN rdns[6];
    for (DWORD i = 0; i < 6; ++i) {
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
