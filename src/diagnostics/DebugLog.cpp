#include "diagnostics/DebugLog.h"

#include <atomic>

namespace {
std::atomic<IDebugLog*> g_debugLog{nullptr};
}

IDebugLog* GetDebugLog() noexcept {
    return g_debugLog.load(std::memory_order_acquire);
}

IDebugLog* InstallDebugLog(IDebugLog* log) noexcept {
    return g_debugLog.exchange(log, std::memory_order_acq_rel);
}
