#include "trust/FileAttrComponent.h"

#include <string>

#include "diagnostics/Trace.h"
#include "qrlib/qrPathExpansion.h"
#include "trust/TrustTiming.h"

namespace qrLib {

namespace {

void TraceLoad(Status status, const wchar_t* text) {
    // A component that is not installed is normal; anything else is a fault of the component.
    if (status == kStatusComponentNotFound) {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 780, text,
                    static_cast<std::uint32_t>(status));
    } else {
        trace::Text(trace::kFlagError, trace::kLevelError, 781, text,
                    static_cast<std::uint32_t>(status));
    }
}

}  // namespace

CFileAttrComponent::~CFileAttrComponent() {
    m_component.reset();
}

Status CFileAttrComponent::LoadModule() {
    if (m_module) {
        return kStatusOk;
    }
    std::wstring folder;
    if (qrPathExpansion::Expand(kFileAttrFolder, folder) != 1 || folder.empty()) {
        return kStatusComponentNotFound;
    }
    if (folder.back() != L'\\') {
        folder += L'\\';
    }
    const std::wstring path = folder + kFileAttrModule;
    win::unique_hmodule module(
        LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) {
        return kStatusComponentNotFound;
    }
    const auto getFactory = reinterpret_cast<GetFactoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), kGetFactoryExport)));
    const auto getObjectCount = reinterpret_cast<GetObjectCountFunction>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), kGetObjectCountExport)));
    if (getFactory == nullptr || getObjectCount == nullptr) {
        return kStatusExportMissing;
    }
    m_module = std::move(module);
    m_getFactory = getFactory;
    m_getObjectCount = getObjectCount;
    return kStatusOk;
}

Status CFileAttrComponent::LoadComponent() {
    qr_ptr<IQrClassFactory> factory;
    Status status = m_getFactory(kClsidFileAttrComponent, factory.put());
    if (Failed(status) || !factory) {
        return Failed(status) ? status : kStatusUnexpected;
    }
    qr_ptr<IQrFileAttrComponent> component;
    status = factory->CreateInstance(kIidFileAttrComponent, component.put_void());
    if (Failed(status) || !component) {
        return Failed(status) ? status : kStatusUnexpected;
    }
    qr_ptr<IQrAttributeProvider> provider;
    status = component->GetProvider(kHashProviderName, provider.put());
    if (Failed(status) || !provider) {
        return Failed(status) ? status : kStatusUnexpected;
    }
    qr_ptr<IQrAttributeReader> reader;
    status = provider->GetAttributeReader(kVtResultAttribute, reader.put());
    if (Failed(status) || !reader) {
        return Failed(status) ? status : kStatusUnexpected;
    }
    std::uint32_t state = 0;
    std::uint32_t capabilities = 0;
    if (Failed(reader->GetState(&state)) || state != kReaderReady ||
        Failed(reader->GetCapabilities(&capabilities)) ||
        (capabilities & kReaderCapabilities) != kReaderCapabilities) {
        return kStatusUnexpected;
    }
    m_component = std::move(component);
    m_loads.fetch_add(1);
    return kStatusOk;
}

Status CFileAttrComponent::Load() {
    if (m_loads.load() != 0) {
        return kStatusOk;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_loads.load() != 0) {
        return kStatusOk;
    }
    Status status = LoadModule();
    if (Failed(status)) {
        TraceLoad(status, L"FileAttr64.dll cannot be loaded");
        return status;
    }
    try {
        status = LoadComponent();
    } catch (...) {
        status = kStatusUnexpected;
    }
    if (Failed(status)) {
        TraceLoad(status, L"The file-attribute component cannot be used");
    }
    return status;
}

void CFileAttrComponent::Reset() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_component.reset();
}

IQrFileAttrComponent* CFileAttrComponent::Get() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_component) {
        return nullptr;
    }
    m_component->AddRef();
    return m_component.get();
}

std::optional<std::uint32_t> CFileAttrComponent::StoredWord(HANDLE file, const std::wstring& path) {
    qr_ptr<IQrFileAttrComponent> component(Get());
    if (!component) {
        return std::nullopt;
    }
    qr_ptr<IQrFileAttributes> attributes;
    Status status = Timed(L"qrHashProvider for the file", path, [&] {
        return component->OpenFile(kHashProviderName, file, attributes.put());
    });
    if (Failed(status) || !attributes) {
        return std::nullopt;
    }
    const wchar_t* const names[] = {kVtResultAttribute};
    qr_ptr<IQrAttributeSet> set;
    status = Timed(L"The attribute set of the file", path,
                   [&] { return attributes->GetAttributes(names, 1, set.put()); });
    if (Failed(status) || !set) {
        return std::nullopt;
    }
    std::uint32_t words[2] = {};
    status =
        Timed(L"Reading vtresult", path, [&] { return set->ReadWords(kVtResultAttribute, words); });
    if (Failed(status)) {
        return std::nullopt;
    }
    return words[0];
}

}  // namespace qrLib
