#include "agent/ProductRegistry.h"

#include "agent/ServiceProbe.h"
#include "win/unique_any.h"

REGSAM ClientRegistryView() {
    return IsServiceInstalled(product::kClientService) ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

std::optional<std::uint32_t> ReadRegistryDword(HKEY root, const char* keyPath,
                                               const char* valueName, REGSAM extraAccess) {
    win::unique_hkey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | extraAccess, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
        return std::nullopt;
    }
    return value;
}

int SetRegistryDword(HKEY root, const char* keyPath, const char* valueName, std::uint32_t value,
                     REGSAM extraAccess) {
    win::unique_hkey key;
    if (RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS | extraAccess, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
        return 1;
    }
    const DWORD data = value;
    return RegSetValueExA(key.get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS
               ? 0
               : 1;
}

void SetLinkValue(const char* valueName, std::uint32_t value) {
    SetRegistryDword(HKEY_LOCAL_MACHINE, product::kLinkKey, valueName, value, ClientRegistryView());
}

std::optional<std::uint32_t> ReadLinkValue(const char* valueName) {
    return ReadRegistryDword(HKEY_LOCAL_MACHINE, product::kLinkKey, valueName,
                             ClientRegistryView());
}

std::optional<std::uint32_t> ReadResultMarker() {
    return ReadRegistryDword(HKEY_CLASSES_ROOT, product::kMarkerKey, product::kMarkerValue, 0);
}

void WriteResultMarker(std::uint32_t value) {
    SetRegistryDword(HKEY_CLASSES_ROOT, product::kMarkerKey, product::kMarkerValue, value, 0);
}

LONG DeleteRegistryEntry(HKEY root, const char* keyPath, const char* valueName, REGSAM viewBits) {
    win::unique_hkey key;
    const LONG opened = RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS | viewBits, key.put());
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    if (valueName != nullptr) {
        return RegDeleteValueA(key.get(), valueName);
    }
    const LONG emptied = RegDeleteTreeA(key.get(), nullptr);
    if (emptied != ERROR_SUCCESS) {
        return emptied;
    }
    key.reset();
    return RegDeleteKeyExA(root, keyPath, viewBits, 0);
}
