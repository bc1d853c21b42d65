#include "trust/qrVerifyTrustImpl.h"

#include <exception>
#include <optional>

#include "diagnostics/Trace.h"
#include "qrlib/qrFile.h"
#include "trust/TrustDecisions.h"
#include "trust/VerifyFile.h"
#include "trust/qrVerifyTrustPolicy.h"

namespace qrLib {

namespace {

void TraceInfo(std::uint16_t number, const wchar_t* text, std::uint32_t value) {
    trace::Text(trace::kFlagInfo, trace::kLevelInfo, number, text, value);
}

// The path in the ANSI code page as wide text; none when it cannot be converted.
std::optional<std::wstring> FromAnsi(const char* path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length) != length) {
        return std::nullopt;
    }
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

}  // namespace

CVerifyTrust::CVerifyTrust(const CatalogApi& catalogs)
    : m_policy(new CVerifyTrustPolicy(true)), m_catalogs(catalogs) {}

Status CVerifyTrust::QueryInterface(const GUID& iid, void** out) {
    if (out == nullptr) {
        return kStatusInvalidArgument;
    }
    *out = nullptr;
    if (IsEqualGUID(iid, kIidQrUnknown) || IsEqualGUID(iid, kIidVerifyTrust)) {
        *out = static_cast<IQrVerifyTrust*>(this);
    } else if (IsEqualGUID(iid, kIidVerifyTrustAttributeCache)) {
        *out = static_cast<IQrVerifyTrustAttributeCache*>(this);
    } else if (IsEqualGUID(iid, kIidVerifyTrustResultCache)) {
        *out = static_cast<IQrVerifyTrustResultCache*>(this);
    } else if (IsEqualGUID(iid, kIidVerifyTrustPolicy) && m_policy) {
        return m_policy->QueryInterface(iid, out);
    } else {
        return kStatusNoInterface;
    }
    AddRef();
    return kStatusOk;
}

std::uint64_t CVerifyTrust::Release() {
    const std::uint64_t count = m_refs.Drop();
    if (count == 0) {
        delete this;
    }
    return count;
}

std::uint32_t CVerifyTrust::Initialize(bool applyPolicy) {
    Reset();
    if (applyPolicy) {
        m_switches.enabled = m_policy ? m_policy->IsTrustPolicyEnabled() : true;
    }
    const std::uint32_t signer = m_signerChecks.Initialize();
    if (signer != 1) {
        trace::Text(trace::kFlagError, trace::kLevelError, 800,
                    L"qrVerifyTrust: the signer checks cannot be set up", signer);
        Reset();
        return signer;
    }
    LoadComponent();
    return 1;
}

void CVerifyTrust::Reset() {
    m_component.Reset();
}

void CVerifyTrust::LoadComponent() {
    if (m_switches.attributeCache && m_switches.enabled) {
        m_component.Load();
    }
}

VerifyResult CVerifyTrust::Verify(const wchar_t* path, std::uint32_t level, bool,
                                  bool* systemComponent, bool driverMode) {
    if (!m_switches.enabled) {
        TraceInfo(801, L"qrVerifyTrust: verification is off", level);
        return kTrusted;
    }
    if (path == nullptr || *path == L'\0' || level == 0) {
        return kInvalidArgument;
    }
    try {
        const DWORD mode = m_switches.revocation ? 2 : 1;
        if (systemComponent != nullptr) {
            *systemComponent = false;
        }
        const std::wstring normalized =
            NormalizeVerifyPath(path, m_switches.resultCache && !m_switches.attributeCache);
        LoadComponent();

        bool attributePath = false;
        CFile file;
        if (m_switches.attributeCache && level != 5) {
            qr_ptr<IQrFileAttrComponent> component(m_component.Get());
            if (component) {
                if (!file.Open(normalized.c_str(), FILE_GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
                    return kFileError;
                }
                const std::optional<std::uint32_t> word =
                    m_component.StoredWord(file.GetHandle(), normalized);
                if (word) {
                    const StoredWordDecision decision = DecodeStoredWord(*word, level, driverMode);
                    if (systemComponent != nullptr) {
                        *systemComponent = decision.systemComponent;
                    }
                    if (decision.stands && (!driverMode || decision.trusted)) {
                        return decision.trusted ? kTrusted : kNotTrusted;
                    }
                }
                attributePath = true;
            }
        }

        FullVerification input;
        input.path = normalized;
        input.level = level;
        input.mode = mode;
        input.attributePath = attributePath;
        input.driverMode = driverMode;
        bool outSystemComponent = false;
        std::uint32_t detail = 0;
        const VerifyResult result =
            VerifyFullSignature(input, m_catalogs, m_signerChecks, outSystemComponent, detail);
        if (systemComponent != nullptr) {
            *systemComponent = outSystemComponent;
        }
        TraceInfo(802, normalized.c_str(), detail);
        return result;
    } catch (...) {
        // Anything thrown, by this library or by the file-attribute component it calls into,
        // ends the verification as an internal error: never an answer that trusts the file.
        trace::Text(trace::kFlagError, trace::kLevelError, 803,
                    L"qrVerifyTrust: exception during the verification", 0);
        return kInternalError;
    }
}

VerifyResult CVerifyTrust::VerifyAnsi(const char* path, std::uint32_t level, bool passThrough,
                                      bool* systemComponent, bool driverMode) {
    if (path == nullptr) {
        return Verify(nullptr, level, passThrough, systemComponent, driverMode);
    }
    const std::optional<std::wstring> wide = FromAnsi(path);
    if (!wide) {
        return kInvalidArgument;
    }
    return Verify(wide->c_str(), level, passThrough, systemComponent, driverMode);
}

VerifyResult CVerifyTrust::VerifyFileW(const wchar_t* path, std::uint32_t level) {
    return Verify(path, level, true, nullptr, false);
}

VerifyResult CVerifyTrust::VerifyFileA(const char* path, std::uint32_t level) {
    return VerifyAnsi(path, level, true, nullptr, false);
}

VerifyResult CVerifyTrust::VerifyFileW(const wchar_t* path, std::uint32_t level, bool passThrough,
                                       bool* systemComponent) {
    return Verify(path, level, passThrough, systemComponent, false);
}

VerifyResult CVerifyTrust::VerifyFileA(const char* path, std::uint32_t level, bool passThrough,
                                       bool* systemComponent) {
    return VerifyAnsi(path, level, passThrough, systemComponent, false);
}

VerifyResult CVerifyTrust::VerifyFileW(const wchar_t* path, std::uint32_t level, bool passThrough) {
    return Verify(path, level, passThrough, nullptr, false);
}

VerifyResult CVerifyTrust::VerifyFileA(const char* path, std::uint32_t level, bool passThrough) {
    return VerifyAnsi(path, level, passThrough, nullptr, false);
}

VerifyResult CVerifyTrust::VerifyDriverW(const wchar_t* path) {
    return Verify(path, 4, true, nullptr, true);
}

VerifyResult CVerifyTrust::VerifyDriverA(const char* path) {
    return VerifyAnsi(path, 4, true, nullptr, true);
}

VerifyResult CVerifyTrust::VerifyFileCounted(const wchar_t* path, std::uint32_t length,
                                             std::uint32_t level) {
    if (path == nullptr) {
        return VerifyFileW(nullptr, level);
    }
    try {
        const std::wstring copy(path, length);
        return VerifyFileW(copy.c_str(), level);
    } catch (const std::exception&) {
        return kInternalError;
    }
}

VerifyResult CVerifyTrust::VerifyProcess(std::uint32_t, std::uint32_t) {
    return kVerificationError;
}

VerifyResult CVerifyTrust::VerifyCurrentProcess(std::uint32_t) {
    return kVerificationError;
}

VerifyResult CVerifyTrust::VerifyCurrentProcessImage(std::uint32_t) {
    return kVerificationError;
}

VerifyResult CVerifyTrust::VerifyModuleAt(const void*, std::uint32_t) {
    return kVerificationError;
}

VerifyResult CVerifyTrust::VerifyModule(HMODULE module, std::uint32_t level) {
    return VerifyModuleAt(module, level);
}

VerifyResult CVerifyTrust::VerifyComServer(const GUID&, std::uint32_t) {
    return kVerificationError;
}

}  // namespace qrLib
