#include "trust/VerifyFile.h"

#include <softpub.h>
#include <wintrust.h>

#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "diagnostics/Trace.h"
#include "qrlib/WideText.h"
#include "trust/CatalogSearch.h"
#include "trust/TrustDecisions.h"
#include "trust/TrustTiming.h"
#include "trust/VerifyPathRules.h"
#include "win/unique_any.h"

namespace qrLib {

namespace {

constexpr DWORD kDosDeviceBuffer = 1000;
constexpr DWORD kEncodings = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

void TraceError(const wchar_t* text, DWORD error) {
    trace::Text(trace::kFlagError, trace::kLevelError, 790, text, error);
}

std::uint32_t RegPolicyFlags() {
    DWORD flags = 0;
    WintrustGetRegPolicyFlags(&flags);
    return flags;
}

// The signed object (the file or its catalog) opened as a PKCS #7 message with its store.
struct SignedObject {
    win::unique_cert_store store;
    win::unique_crypt_msg message;
};

bool OpenSignedObject(const std::wstring& path, SignedObject& object) {
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    const BOOL opened = CryptQueryObject(
        CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
        CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr, nullptr, &store, &message, nullptr);
    object.store.reset(store);
    object.message.reset(message);
    if (!opened) {
        TraceError(L"CryptQueryObject", GetLastError());
        return false;
    }
    return true;
}

// The first signer's certificate; kTrusted with it, or the failure's result.
VerifyResult FindSignerCertificate(const SignedObject& object, win::unique_cert_context& signer) {
    DWORD size = 0;
    if (!CryptMsgGetParam(object.message.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) ||
        size < sizeof(CMSG_SIGNER_INFO)) {
        TraceError(L"CryptMsgGetParam (size)", GetLastError());
        return kVerificationError;
    }
    std::vector<BYTE> buffer;
    try {
        buffer.resize(size);
    } catch (const std::bad_alloc&) {
        return kInternalError;
    }
    if (!CryptMsgGetParam(object.message.get(), CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) {
        TraceError(L"CryptMsgGetParam", GetLastError());
        return kVerificationError;
    }
    const auto* info = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
    CERT_INFO wanted{};
    wanted.Issuer = info->Issuer;
    wanted.SerialNumber = info->SerialNumber;
    signer.reset(CertFindCertificateInStore(object.store.get(), kEncodings, 0,
                                            CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
    if (!signer) {
        TraceError(L"CertFindCertificateInStore", GetLastError());
        return kVerificationError;
    }
    // The signature may carry any certificates its maker chose. A second, different certificate
    // under the signer's issuer and serial could put other names before the rules than the ones
    // whose chain the platform checked, so such a signature is refused. (Each search call takes
    // over the context it continues from.)
    win::unique_cert_context other(CertDuplicateCertificateContext(signer.get()));
    for (;;) {
        other.reset(CertFindCertificateInStore(object.store.get(), kEncodings, 0,
                                               CERT_FIND_SUBJECT_CERT, &wanted, other.release()));
        if (!other) {
            break;
        }
        if (other.get()->cbCertEncoded != signer.get()->cbCertEncoded ||
            std::memcmp(other.get()->pbCertEncoded, signer.get()->pbCertEncoded,
                        other.get()->cbCertEncoded) != 0) {
            TraceError(L"Two certificates claim to be the signer", 0);
            signer.reset();
            return kVerificationError;
        }
    }
    return kTrusted;
}

}  // namespace

std::wstring NormalizeVerifyPath(const std::wstring& path, bool longForm) {
    const DosDeviceQuery query = [](char16_t drive, std::u16string& target) {
        const wchar_t name[] = {static_cast<wchar_t>(drive), L':', L'\0'};
        std::wstring buffer(kDosDeviceBuffer, L'\0');
        if (QueryDosDeviceW(name, buffer.data(), kDosDeviceBuffer) == 0) {
            return false;
        }
        target = ToU16(buffer.c_str());
        return true;
    };
    std::wstring normalized = ToWide(NormalizeVerifyPathText(ToU16(path), query));
    if (longForm) {
        const std::size_t first = path.find_first_not_of(L'"');
        const std::wstring trimmed =
            first == std::wstring::npos
                ? std::wstring()
                : path.substr(first, path.find_last_not_of(L'"') - first + 1);
        std::wstring buffer(32768, L'\0');
        const DWORD length = GetLongPathNameW(normalized.c_str(), buffer.data(), 32768);
        if (length == 0 || length >= 32768) {
            TraceError(L"GetLongPathNameW", GetLastError());
            return trimmed;
        }
        buffer.resize(length);
        return buffer;
    }
    return normalized;
}

VerifyResult VerifyFullSignature(const FullVerification& input, const CatalogApi& catalogs,
                                 const CSignerChecks& signer, bool& systemComponent,
                                 std::uint32_t& detail) {
    systemComponent = false;
    if (GetFileAttributesW(input.path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        TraceError(L"GetFileAttributesW", GetLastError());
        return kFileError;
    }
    GUID action =
        input.driverMode ? GUID(DRIVER_ACTION_VERIFY) : GUID(WINTRUST_ACTION_GENERIC_VERIFY_V2);
    VerifyResult signature = kNotTrusted;
    bool listed = false;
    std::wstring lastCatalog;
    try {
        WINTRUST_FILE_INFO file{};
        file.cbStruct = sizeof file;
        file.pcwszFilePath = input.path.c_str();
        FullTrustData data = MakeTrustData(input.mode);
        data.dwUnionChoice = WTD_CHOICE_FILE;
        data.pFile = &file;
        LONG status = Timed(
            input.driverMode ? L"WinVerifyTrust (driver)" : L"WinVerifyTrust", input.path, [&] {
                return WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
            });
        if (status != 0 && (input.level != 3 || input.attributePath)) {
            const CatalogSearch search =
                SearchCatalogs(catalogs, input.path, action, input.mode, status);
            if (!search.contextAcquired) {
                return kFileError;
            }
            status = search.status;
            listed = search.listed;
            lastCatalog = search.lastCatalog;
        }
        signature = ResultFromTrustError(static_cast<std::uint32_t>(status), RegPolicyFlags);
    } catch (const std::exception&) {
        return kInternalError;
    }
    if (signature != kTrusted) {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 791, input.path.c_str(), signature);
        if (!input.attributePath) {
            return signature;
        }
    }

    SignedObject object;
    if (!OpenSignedObject(listed ? lastCatalog : input.path, object)) {
        return signature == kTrusted ? kVerificationError : signature;
    }
    detail |= listed ? (kDetailSignerRead | kDetailFromCatalog) : kDetailSignerRead;
    win::unique_cert_context certificate;
    VerifyResult result = FindSignerCertificate(object, certificate);
    if (result != kTrusted) {
        return result;
    }
    detail |= kDetailCertificateFound;
    bool driverUsage = false;
    result = signer.Check(certificate.get(), input.level, input.mode, systemComponent, driverUsage,
                          detail);
    if (input.driverMode && !driverUsage) {
        result = kNotTrusted;
    } else if (result == kTrusted) {
        result = input.attributePath ? signature : kTrusted;
    }
    if (result != kTrusted) {
        systemComponent = false;
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 792, input.path.c_str(), result);
    }
    return result;
}

}  // namespace qrLib
