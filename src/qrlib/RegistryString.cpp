#include "qrlib/RegistryString.h"

#include "qrlib/WideText.h"

namespace qrLib {

namespace {

bool IsAcceptedString(DWORD type, DWORD bytes) {
    return (type == REG_SZ || type == REG_EXPAND_SZ) && bytes % 2 == 0;
}

}  // namespace

bool ReadRegistryString(HKEY key, const wchar_t* name, std::u16string& value) {
    // The value may grow between asking for its size and reading it; try again a few times.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
            !IsAcceptedString(type, bytes)) {
            return false;
        }
        std::wstring data(bytes / 2, L'\0');
        const LONG read = RegQueryValueExW(key, name, nullptr, &type,
                                           reinterpret_cast<BYTE*>(data.data()), &bytes);
        if (read == ERROR_MORE_DATA) {
            continue;
        }
        if (read != ERROR_SUCCESS || !IsAcceptedString(type, bytes)) {
            return false;
        }
        data.resize(bytes / 2);
        value = ToU16(data.c_str());
        return true;
    }
    return false;
}

}  // namespace qrLib
