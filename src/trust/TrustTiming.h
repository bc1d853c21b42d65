// Calls into the trust platform are timed: one that takes longer than 500 ms is traced as a
// warning naming what was done and to which file.
#pragma once

#include <windows.h>

#include <string>

namespace qrLib {

constexpr ULONGLONG kSlowTrustCallMs = 500;

// Traces the warning when `elapsedMs` is over the threshold.
void WarnIfSlow(ULONGLONG elapsedMs, const wchar_t* what, const std::wstring& subject);

// Runs `call`, timed; returns what it returns.
template <typename Call>
auto Timed(const wchar_t* what, const std::wstring& subject, Call&& call) {
    const ULONGLONG start = GetTickCount64();
    auto result = call();
    WarnIfSlow(GetTickCount64() - start, what, subject);
    return result;
}

}  // namespace qrLib
