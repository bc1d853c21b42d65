#include "agent/ProductRegistry.h"

#include "agent/ServiceProbe.h"
#include "win/unique_any.h"

REGSAM ClientRegistryView() {
    return IsServiceInstalled(product::kClientService) ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
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
