#include "objects/SettingsMapSource.h"

#include <windows.h>

#include "diagnostics/Trace.h"
#include "objects/ClassObjects.h"
#include "objects/qrClassFactory.h"
#include "objects/qrSettings.h"
#include "qrlib/WideText.h"
#include "qrlib/qrPathExpansion.h"
#include "win/unique_any.h"

namespace qrLib {

namespace {

constexpr std::uint32_t kBufferSize = 260;

bool Trace(std::uint16_t number, const std::wstring& text, std::uint32_t value) {
    trace::Text(trace::kFlagError, trace::kLevelWarning, number, text.c_str(), value);
    return false;
}

}  // namespace

bool CSettingsMapSource::ReadMap(ObjectIdMap& map) {
    std::wstring folder;
    if (qrPathExpansion::Expand(kSettingsFolderVariable, folder) != 1) {
        return Trace(110, L"settings folder unknown", 0);
    }
    if (!folder.empty() && folder.back() != L'\\') {
        folder += L'\\';
    }
    const std::wstring path = folder + kSettingsModule;
    const win::unique_hmodule module(LoadLibraryW(path.c_str()));
    if (!module) {
        return Trace(111, L"cannot load " + path, GetLastError());
    }
    const auto getFactory = ExportOf<GetFactoryFunction>(module.get(), kGetFactoryExport);
    if (getFactory == nullptr) {
        return Trace(112, L"no GetFactory in " + path, 0);
    }
    // Declared after `module`: every object of the component is released before it unloads.
    qr_ptr<IQrClassFactory> factory;
    Status status = getFactory(kClsidQrSettings, factory.put());
    if (Failed(status) || !factory) {
        return Trace(113, L"no settings factory " + GuidText(kClsidQrSettings), status);
    }
    qr_ptr<IQrSettings> settings;
    status = factory->CreateInstance(kIidQrSettings, settings.put_void());
    if (Failed(status) || !settings) {
        return Trace(114, L"no settings object " + GuidText(kIidQrSettings), status);
    }
    qr_ptr<IQrSettingsKey> key;
    status = settings->OpenKey(kObjectIdKey, key.put());
    if (Failed(status) || !key) {
        return Trace(115, std::wstring(L"cannot open ") + kObjectIdKey, status);
    }
    std::uint32_t count = 0;
    status = key->GetSubkeyCount(&count);
    if (Failed(status)) {
        return Trace(116, std::wstring(L"cannot count ") + kObjectIdKey, status);
    }
    for (std::uint32_t index = 0; index < count; ++index) {
        wchar_t name[kBufferSize] = {};
        status = key->GetSubkeyName(index, name, kBufferSize);
        Identifier clsid;
        if (Failed(status) || !ParseIdentifier(ToU16(name), clsid)) {
            Trace(117, std::wstring(L"skipped subkey ") + name, index);
            continue;
        }
        const std::wstring subkeyPath = std::wstring(kObjectIdKey) + L"\\" + name;
        qr_ptr<IQrSettingsKey> subkey;
        wchar_t value[kBufferSize] = {};
        status = settings->OpenKey(subkeyPath.c_str(), subkey.put());
        if (!Failed(status) && subkey) {
            status = subkey->GetString(kModulePathValue, value, kBufferSize);
        }
        if (Failed(status) || !subkey) {
            Trace(118, L"no module path for " + subkeyPath, status);
            continue;
        }
        map[clsid] = ToU16(value);
    }
    return true;
}

bool CSettingsMapSource::ExpandPath(const std::u16string& stored, std::u16string& path) {
    std::wstring expanded;
    if (qrPathExpansion::Expand(ToWide(stored).c_str(), expanded) != 1) {
        return false;
    }
    path = ToU16(expanded);
    return true;
}

}  // namespace qrLib
