#include "trust/TrustTiming.h"

#include "diagnostics/Trace.h"

namespace qrLib {

void WarnIfSlow(ULONGLONG elapsedMs, const wchar_t* what, const std::wstring& subject) {
    if (elapsedMs <= kSlowTrustCallMs || !trace::Enabled(trace::kFlagInfo, trace::kLevelWarning)) {
        return;
    }
    const std::wstring text = std::wstring(what) + L" took long: " + subject;
    trace::Text(trace::kFlagInfo, trace::kLevelWarning, 750, text.c_str(),
                static_cast<std::uint32_t>(elapsedMs));
}

}  // namespace qrLib
