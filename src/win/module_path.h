// This executable's path in the ANSI code page, only when that text names this executable.
#pragma once

#include <windows.h>

#include <string>

#include "win/ansi_text.h"

namespace win {

// Fills `path` (of `size` characters, at most 1024) with this executable's ANSI path and returns
// its length; 0, with the last error set, when it is cut short (the cut text, not always
// terminated, names another file or folder) or when the code page lacks one of its characters
// and puts "?" or a look-alike ("a" for "ā") in its place, which names another file too.
inline DWORD ModulePathA(char* path, DWORD size) {
    const DWORD length = GetModuleFileNameA(nullptr, path, size);
    if (length == 0) {
        return 0;  // the system has set the last error
    }
    if (length >= size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);  // older systems report a cut path as success
        return 0;
    }
    wchar_t wide[1024];
    const DWORD wideLength = GetModuleFileNameW(nullptr, wide, 1024);
    if (FromAnsi(std::string(path, length)) != std::wstring(wide, wideLength)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return length;
}

}  // namespace win
