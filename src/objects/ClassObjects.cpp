#include "objects/ClassObjects.h"

#include <cstring>

#include "diagnostics/Trace.h"
#include "qrlib/WideText.h"

namespace qrLib {

namespace {

static_assert(sizeof(GUID) == sizeof(Identifier), "the same 16 bytes");

constexpr std::size_t kMaxPath = 260;

// The last component of a path: what follows its last backslash or slash.
const wchar_t* FileNameOf(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* c = path; *c != L'\0'; ++c) {
        if (*c == L'\\' || *c == L'/') {
            name = c + 1;
        }
    }
    return name;
}

bool EqualNoCase(const wchar_t* a, const wchar_t* b) {
    const auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? c + (L'a' - L'A') : c; };
    for (; *a != L'\0' && *b != L'\0'; ++a, ++b) {
        if (fold(*a) != fold(*b)) {
            return false;
        }
    }
    return *a == *b;
}

void TraceModule(std::uint16_t number, const wchar_t* what, const GUID& clsid,
                 const std::wstring& path, std::uint32_t value) {
    if (trace::Enabled(trace::kFlagError, trace::kLevelError)) {
        const std::wstring text = std::wstring(what) + L" " + GuidText(clsid) + L" " + path;
        trace::Text(trace::kFlagError, trace::kLevelError, number, text.c_str(), value);
    }
}

}  // namespace

GUID ToGuid(const Identifier& id) {
    GUID guid;
    std::memcpy(&guid, static_cast<const void*>(&id), sizeof guid);
    return guid;
}

Identifier ToIdentifier(const GUID& guid) {
    Identifier id;
    std::memcpy(static_cast<void*>(&id), &guid, sizeof id);
    return id;
}

std::wstring GuidText(const GUID& guid) {
    return ToWide(IdentifierText(ToIdentifier(guid)));
}

Status CCreatorClass::CreateInstance(const Identifier& iid, void** out) {
    qr_ptr<IQrUnknown> object(m_make());
    if (!object) {
        return kStatusOutOfMemory;
    }
    // The creator's reference goes when `object` does; the caller keeps the one QueryInterface
    // adds.
    return object->QueryInterface(ToGuid(iid), out);
}

Status CModuleClass::Load() {
    if (m_module) {
        wchar_t loaded[kMaxPath] = {};
        const DWORD length = GetModuleFileNameW(m_module.get(), loaded, kMaxPath);
        if (length == 0 || length >= kMaxPath) {
            return kStatusUnexpected;
        }
        m_path = loaded;
    } else if (m_path.size() >= kMaxPath) {
        TraceModule(100, L"module path too long", m_clsid, m_path, 0);
        return kStatusInvalidArgument;
    }
    win::unique_hmodule module(LoadLibraryW(m_path.c_str()));
    if (!module) {
        TraceModule(101, L"cannot load", m_clsid, m_path, GetLastError());
        return kStatusUnexpected;
    }
    const auto getFactory = ExportOf<GetFactoryFunction>(module.get(), kGetFactoryExport);
    if (getFactory == nullptr) {
        TraceModule(102, L"no GetFactory", m_clsid, m_path, 0);
        return kStatusExportMissing;
    }
    qr_ptr<IQrClassFactory> factory;
    const Status status = getFactory(m_clsid, factory.put());
    if (Failed(status)) {
        TraceModule(103, L"GetFactory failed", m_clsid, m_path, static_cast<std::uint32_t>(status));
        factory.reset();  // before `module` unloads the code behind it
        return status;
    }
    if (!factory) {
        return kStatusUnexpected;
    }
    m_factory.reset();
    m_module = std::move(module);
    m_factory = std::move(factory);
    return kStatusOk;
}

bool CModuleClass::NamesSameModule(const wchar_t* path) const {
    if (path == nullptr || !EqualNoCase(FileNameOf(path), FileNameOf(m_path.c_str()))) {
        return false;
    }
    const win::unique_hmodule again(LoadLibraryW(path));
    return again && again.get() == m_module.get();
}

Status CModuleClass::CreateInstance(const Identifier& iid, void** out) {
    return m_factory->CreateInstance(ToGuid(iid), out);
}

}  // namespace qrLib
