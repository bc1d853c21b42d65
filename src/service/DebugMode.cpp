#include "service/DebugMode.h"

#include <atomic>

namespace {
std::atomic<int> g_debugMode{0};
}

bool IsDebugMode() noexcept {
    return g_debugMode.load() != 0;
}
void EnterDebugMode() noexcept {
    g_debugMode.store(1);
}
