#include "agent/SetupResult.h"

#include <windows.h>

#include <optional>

#include "agent/ProductRegistry.h"
#include "agent/ResultCodes.h"
#include "agent/RunDecision.h"
#include "diagnostics/DebugLog.h"
#include "service/DebugMode.h"

namespace {

constexpr int kPollAttempts = 120;

// Setup may still be writing its result when it exits: give it time.
std::optional<std::uint32_t> PollResultMarker() {
    for (int attempt = 0; attempt < kPollAttempts; ++attempt) {
        if (std::optional<std::uint32_t> code = ReadResultMarker()) {
            return code;
        }
        Sleep(ResultPollIntervalMs());
    }
    return std::nullopt;
}

}  // namespace

int YolSetupResult() {
    const std::optional<std::uint32_t> code = PollResultMarker();
    if (!code) {
        YOL_LOG("<YolSetupResult>Try to read YolSetupResult for 3 minutes. Failed.");
        YOL_LOG("<YolSetupResult>ERR to read YolSetupResult.");
        return result::kNoResult;
    }
    SetLinkValue(product::kInstallResult, *code);
    YOL_LOG(outputstr("<YolSetupResult>Yol Setup Code = ") + static_cast<unsigned long>(*code));

    const result::Outcome outcome = result::ForCode(*code);
    if (outcome.succeeded) {
        WriteResultMarker(run::kMarkerInstalled);
    }
    if (outcome.message != nullptr && IsDebugMode()) {
        MessageBoxA(nullptr, outcome.message, result::kMessageCaption, MB_OK);
    }
    return outcome.succeeded ? result::kSucceeded : result::kFailed;
}
