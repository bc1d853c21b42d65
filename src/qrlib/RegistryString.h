// Reading a string value the way the shared library accepts registry data.
#pragma once

#include <windows.h>

#include <string>

namespace qrLib {

// The data of value `name` of `key` when its type is REG_SZ or REG_EXPAND_SZ (taken as stored,
// nothing expanded) and its size in bytes is even, up to its first NUL. False for any other type,
// an odd size or a failed read.
bool ReadRegistryString(HKEY key, const wchar_t* name, std::u16string& value);

}  // namespace qrLib
