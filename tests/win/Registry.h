// Registry values the Windows tests set up and the keys they remove again, each in one view.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win/unique_any.h"

namespace wintest {

// A key under `root` in `view`: KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0 (the process's own).
struct RegKey {
    HKEY root;
    std::wstring path;
    REGSAM view;
};

// Sets value `name` to the `size` bytes at `data`, creating the key.
inline void SetValue(const RegKey& key, const wchar_t* name, DWORD type, const void* data,
                     DWORD size) {
    win::unique_hkey handle;
    ASSERT_EQ(RegCreateKeyExW(key.root, key.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | key.view,
                              nullptr, handle.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(handle.get(), name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

// A REG_SZ with its NUL.
inline void SetString(const RegKey& key, const wchar_t* name, const std::wstring& value) {
    SetValue(key, name, REG_SZ, value.c_str(),
             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

inline void SetDword(const RegKey& key, const wchar_t* name, DWORD value) {
    SetValue(key, name, REG_DWORD, &value, sizeof value);
}

// Removes the key with everything below it; a missing key is fine.
inline void DeleteTree(const RegKey& key) {
    win::unique_hkey handle;
    if (RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_ALL_ACCESS | key.view, handle.put()) ==
        ERROR_SUCCESS) {
        RegDeleteTreeW(handle.get(), nullptr);
        handle.reset();
        RegDeleteKeyExW(key.root, key.path.c_str(), key.view, 0);
    }
}

}  // namespace wintest
