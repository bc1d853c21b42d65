// Where "isolate.ini" is looked for: the program's own directory, then each parent directory, up
// to the root or to the server part of a UNC path.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qrLib {

constexpr std::size_t kMaxPath = 260;
constexpr char16_t kIsolateIniName[] = u"isolate.ini";

// Removes the last backslash-separated component of `path`. A drive root ("C:\") or a lone "\"
// keeps its backslash. False, leaving `path` unchanged, when nothing can be removed any more: a
// root, or a name without a backslash.
bool RemoveLastComponent(std::u16string& path);

// True for the server part of a UNC path: two leading backslashes and no other backslash.
bool IsUncServer(std::u16string_view path);

// `directory` joined with "isolate.ini" by one backslash; false when the result would not fit a
// path buffer of 260 characters.
bool IsolateIniCandidate(std::u16string_view directory, std::u16string& candidate);

// Searches upward from the file `modulePath` with `exists` testing each candidate. Returns 0 with
// the path in `found`, 2 when no directory has the file, 1359 when a candidate cannot be built.
std::uint32_t FindIsolateIni(std::u16string_view modulePath,
                             const std::function<bool(const std::u16string&)>& exists,
                             std::u16string& found);

}  // namespace qrLib
