// The calls the library makes into its settings component, "qrSet.dll": a component module (see
// qrClassFactory.h) whose settings object opens keys of the library's settings store by path.
#pragma once

#include <windows.h>

#include <cstdint>

#include "objects/qrObject.h"

namespace qrLib {

struct IQrSettingsKey : IQrUnknown {
    // The number of subkeys directly below the key.
    virtual Status GetSubkeyCount(std::uint32_t* count) = 0;
    // The name of subkey `index` (from 0) into `name` of `size` characters with its NUL; a failure
    // when the index is out of range or the name does not fit.
    virtual Status GetSubkeyName(std::uint32_t index, wchar_t* name, std::uint32_t size) = 0;
    // The string value `name` into `value` of `size` characters with its NUL; a failure when the
    // value is missing, not a string, or does not fit.
    virtual Status GetString(const wchar_t* name, wchar_t* value, std::uint32_t size) = 0;

protected:
    ~IQrSettingsKey() = default;
};

struct IQrSettings : IQrUnknown {
    // The key at `path` (backslash-separated, relative to the store's root), one reference in *key.
    virtual Status OpenKey(const wchar_t* path, IQrSettingsKey** key) = 0;

protected:
    ~IQrSettings() = default;
};

constexpr wchar_t kSettingsModule[] = L"qrSet.dll";
constexpr GUID kClsidQrSettings = {
    0x4F3E0BE1, 0x5FE1, 0x4C22, {0x85, 0x9B, 0xA6, 0xFB, 0x75, 0x86, 0xB8, 0x28}};
constexpr GUID kIidQrSettings = {
    0xB0A55002, 0xDA4A, 0x473B, {0xAE, 0xBB, 0x09, 0x79, 0x5F, 0x61, 0x8E, 0xDF}};
constexpr GUID kIidQrSettingsKey = {
    0xB0A55003, 0xDA4A, 0x473B, {0xAE, 0xBB, 0x09, 0x79, 0x5F, 0x61, 0x8E, 0xDF}};

}  // namespace qrLib
