// The shared library's INI reader over a file on disk: the whole file is read into memory and
// looked up by FindIniValue (IniReader.h), 8-bit text through the ANSI code page.
#pragma once

#include <windows.h>

namespace qrLib {

// Larger files count as unreadable: no INI file of ours comes near this.
constexpr LONGLONG kMaxIniFileSize = 64LL * 1024 * 1024;

// Copies the value of `key` in `section` of `file` (or `defaultValue`) into `output`, cut to
// `size` - 1 characters; returns the length copied. A file that is missing, cannot be opened with
// shared read, is empty, too large or cannot be read gives the default. Null strings read as empty.
DWORD ReadIniValue(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                   wchar_t* output, DWORD size, const wchar_t* file);

}  // namespace qrLib
