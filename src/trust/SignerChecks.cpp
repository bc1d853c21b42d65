#include "trust/SignerChecks.h"

#include <new>
#include <vector>

#include "diagnostics/Trace.h"
#include "qrlib/WideText.h"
#include "trust/SignerRules.h"
#include "trust/qrEncryptedString.h"

namespace qrLib {

namespace {

constexpr DWORD kNameBuffer = 260;
constexpr DWORD kEncodings = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

void TraceError(const wchar_t* text, DWORD error) {
    trace::Text(trace::kFlagError, trace::kLevelError, 740, text, error);
}

const char* FieldOid(NameField field) {
    switch (field) {
        case NameField::CommonName:
            return szOID_COMMON_NAME;
        case NameField::OrganizationalUnit:
            return szOID_ORGANIZATIONAL_UNIT_NAME;
        case NameField::Organization:
            return szOID_ORGANIZATION_NAME;
        case NameField::Locality:
            return szOID_LOCALITY_NAME;
        case NameField::State:
            return szOID_STATE_OR_PROVINCE_NAME;
        case NameField::Country:
            return szOID_COUNTRY_NAME;
    }
    return "";
}

class CCertificateFacts : public ICertificateFacts {
public:
    explicit CCertificateFacts(PCCERT_CONTEXT certificate) : m_certificate(certificate) {}

    VerifyResult Usages(std::vector<std::string>& oids) override {
        DWORD size = 0;
        if (!CertGetEnhancedKeyUsage(m_certificate, 0, nullptr, &size)) {
            TraceError(L"SignerChecks: CertGetEnhancedKeyUsage (size)", GetLastError());
            return kVerificationError;
        }
        std::vector<BYTE> buffer;
        try {
            buffer.resize(size);
        } catch (const std::bad_alloc&) {
            return kInternalError;
        }
        auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(buffer.data());
        if (size < sizeof(CERT_ENHKEY_USAGE) ||
            !CertGetEnhancedKeyUsage(m_certificate, 0, usage, &size)) {
            TraceError(L"SignerChecks: CertGetEnhancedKeyUsage", GetLastError());
            return kNotTrusted;
        }
        for (DWORD i = 0; i < usage->cUsageIdentifier; ++i) {
            if (usage->rgpszUsageIdentifier[i] != nullptr) {
                oids.emplace_back(usage->rgpszUsageIdentifier[i]);
            }
        }
        return kTrusted;
    }

    VerifyResult RenderedSubject(std::u16string& text) override {
        CERT_NAME_BLOB* subject = &m_certificate->pCertInfo->Subject;
        const DWORD type = CERT_OID_NAME_STR | CERT_NAME_STR_CRLF_FLAG;
        const DWORD size = CertNameToStrW(kEncodings, subject, type, nullptr, 0);
        if (size == 0) {
            TraceError(L"SignerChecks: CertNameToStrW (size)", GetLastError());
            return kVerificationError;
        }
        std::wstring buffer;
        try {
            buffer.resize(size);
        } catch (const std::bad_alloc&) {
            return kInternalError;
        }
        const DWORD written = CertNameToStrW(kEncodings, subject, type, buffer.data(), size);
        if (written == 0) {
            TraceError(L"SignerChecks: CertNameToStrW", GetLastError());
            return kVerificationError;
        }
        text = ToU16(buffer.c_str());
        return kTrusted;
    }

    std::optional<std::u16string> Field(NameField field) override {
        wchar_t buffer[kNameBuffer] = {};
        const DWORD length =
            CertGetNameStringW(m_certificate, CERT_NAME_ATTR_TYPE, 0,
                               const_cast<char*>(FieldOid(field)), buffer, kNameBuffer);
        if (length <= 1) {
            return std::nullopt;
        }
        // The whole field as the call counted it: a value with a zero inside must not compare
        // equal to the text before that zero.
        return std::u16string(buffer, buffer + (length - 1));
    }

private:
    PCCERT_CONTEXT m_certificate;
};

class CTableNames : public IExpectedNames {
public:
    std::u16string Name(PublisherRole role) override { return ExpectedName(role); }
};

}  // namespace

VerifyResult CSignerChecks::Check(PCCERT_CONTEXT certificate, std::uint32_t level,
                                  std::uint32_t mode, bool& systemComponent, bool& driverUsage,
                                  std::uint32_t& detail) const {
    if (certificate == nullptr) {
        return kInvalidArgument;
    }
    CCertificateFacts facts(certificate);
    CTableNames names;
    SignerUsages usages;
    const VerifyResult result = SignerChecks(facts, names, level, mode, usages, detail);
    systemComponent = usages.systemComponent;
    driverUsage = usages.driver;
    return result;
}

}  // namespace qrLib
