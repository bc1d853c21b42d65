// The setup trust context: prepares the machine once (provider, file-attribute component, the
// embedded certificates), verifies files at trust level 3 with a fresh verifier each, and keeps
// every trusted file open read-shared until the context is released, so nobody can replace a file
// between its check and its use.
#include "trust/SetupTrustContext.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

#include "diagnostics/Trace.h"
#include "objects/qrObjectFactory.h"
#include "qrlib/IsolationProfile.h"
#include "qrlib/RegistryString.h"
#include "qrlib/WideText.h"
#include "qrlib/qrFile.h"
#include "trust/CryptoProvider.h"
#include "trust/RootCertificates.h"
#include "trust/qrVerifyTrustStatic.h"
#include "win/unique_any.h"

namespace {

constexpr wchar_t kProductKey[] = L"SOFTWARE\\Zanthrex\\Zanthrex Bastion";
constexpr wchar_t kSiloValue[] = L"silo";
constexpr std::uint32_t kSetupTrustLevel = 3;

// The file-attribute component: not a built-in class, so it exists only where the object map
// names its module.
constexpr GUID kComponentClass = {
    0x7D583EDC, 0x2726, 0x42B9, {0xB0, 0x64, 0x6B, 0xBC, 0x25, 0xE5, 0xB7, 0x9C}};
constexpr GUID kComponentInterface = {
    0x1AC5683D, 0x0733, 0x460C, {0x8F, 0x56, 0x96, 0xAD, 0xD5, 0x8C, 0xCC, 0xAA}};

}  // namespace

struct SetupTrustContext {
    win::unique_cryptprov provider;
    qrLib::qr_ptr<qrLib::IQrUnknown> component;
    RootRefreshState roots;
    TrustMessageSink sink;
    std::vector<qrLib::CFilePtr> heldFiles;

    // Traces the text and hands it to the caller's sink, if there is one.
    void Send(const std::wstring& text) const {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 42, text.c_str(), 0);
        if (sink) {
            sink(text);
        }
    }
    // Room for the longest path a message can carry, so no message is ever cut.
    void SendFormatted(const wchar_t* format, ...) const {
        std::vector<wchar_t> text(40000, L'\0');
        va_list args;
        va_start(args, format);
        std::vswprintf(text.data(), text.size() - 1, format, args);
        va_end(args);
        Send(text.data());
    }
};

namespace {

// The silo named in the product key fixes the isolation profile, and with it where the trust
// policy and the path-expansion map are read. False only when the profile refuses the silo; a
// product key without one leaves the profile as it is.
bool ApplyProductSilo() {
    win::unique_hkey key;
    const LONG opened =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ | KEY_WOW64_32KEY, key.put());
    if (opened != ERROR_SUCCESS) {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 43, kProductKey, opened);
        return true;
    }
    std::u16string silo;
    if (!qrLib::ReadRegistryString(key.get(), kSiloValue, silo)) {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 44, kSiloValue, GetLastError());
        return true;
    }
    qrLib::CIsolation& isolation = qrLib::ProcessIsolation();
    if (!isolation.SetRegistryHive(qrLib::ToU16(kProductKey).c_str()) ||
        !isolation.Initialize(silo.c_str())) {
        trace::Text(trace::kFlagError, trace::kLevelError, 45, qrLib::ToWide(silo).c_str(), 0);
        return false;
    }
    return true;
}

void CreateComponent(SetupTrustContext& context) {
    context.component.reset();
    qrLib::IQrObjectFactory* factory = qrLib::GetObjectFactory();
    if (factory == nullptr) {
        trace::Text(trace::kFlagError, trace::kLevelError, 46, L"no object factory", 0);
        return;
    }
    factory->AddRef();
    const qrLib::Status status =
        factory->CreateInstance(kComponentClass, kComponentInterface, context.component.put_void());
    factory->Release();
    if (qrLib::Failed(status)) {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 47, L"file-attribute component",
                    static_cast<std::uint32_t>(status));
    }
}

}  // namespace

void CreateSetupTrustContext(SetupTrustContext** context, TrustMessageSink sink) {
    *context = new SetupTrustContext();
    SetupTrustContext& created = **context;
    created.sink = std::move(sink);
    created.roots.refreshSwitch = true;
    created.roots.send = [&created](const std::wstring& text) { created.Send(text); };

    DWORD lastError = 0;
    created.provider = AcquireTrustProvider(lastError);
    if (!created.provider) {
        created.SendFormatted(L"Failed to acquire crypto context. Last error: %d",
                              static_cast<int>(lastError));
    }
    if (ApplyProductSilo()) {
        CreateComponent(created);
    }
}

HRESULT VerifySetupFile(SetupTrustContext* context, const wchar_t* path) {
    RefreshRootCertificates(context->roots);

    qrLib::CFilePtr file = qrLib::MakeFile();
    if (path == nullptr) {
        path = L"";
    }
    if (!file->Open(path, FILE_GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {
        const DWORD error = file->LastError();
        context->SendFormatted(L"Could not open file %ls. Last error: %d", path,
                               static_cast<int>(error));
        return HRESULT_FROM_WIN32(error);
    }

    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(qrLib::CreateVerifyTrust());
    if (!verifier) {
        // Nothing to verify with: never an accept.
        return E_OUTOFMEMORY;
    }
    if (!context->component) {
        qrLib::qr_ptr<qrLib::IQrVerifyTrustAttributeCache> cache;
        if (!qrLib::Failed(
                verifier->QueryInterface(qrLib::kIidVerifyTrustAttributeCache, cache.put_void()))) {
            cache->SetAttributeCache(false);
        }
    }
    const std::uint32_t initialized = verifier->Initialize(true);
    if (initialized != 1) {
        context->SendFormatted(L"Failed to create qrVerifyTrust. Error: %d",
                               static_cast<int>(initialized));
        return E_FAIL;
    }
    const std::uint32_t verdict = verifier->VerifyFileW(path, kSetupTrustLevel);
    if (verdict != 1) {
        context->SendFormatted(L"File %ls is not trusted. VerifyFile result: %d", path,
                               static_cast<int>(verdict));
        return TRUST_E_SUBJECT_NOT_TRUSTED;
    }
    context->heldFiles.push_back(std::move(file));
    return S_OK;
}

void ReleaseSetupTrustContext(SetupTrustContext* context) {
    if (context == nullptr) {
        return;
    }
    context->provider.reset();
    trace::Text(trace::kFlagInfo, trace::kLevelInfo, 48, L"held files",
                static_cast<std::uint32_t>(context->heldFiles.size()));
    context->heldFiles.clear();
    context->component.reset();
    delete context;
}
