#include "diagnostics/TraceProvider.h"

#include <evntrace.h>

#include <atomic>

namespace {

// {fd7a03bb-c60d-421d-bc3a-b41d39f2786b}
const GUID kControlGuid = {
    0xfd7a03bb, 0xc60d, 0x421d, {0xbc, 0x3a, 0xb4, 0x1d, 0x39, 0xf2, 0x78, 0x6b}};

TraceControlBlock g_controlBlock;
// Read by trace points on any thread: a point fires only between registration and unregistration.
std::atomic<bool> g_initialized{false};

constexpr TraceControlBlock kInitialBlock = {nullptr, 0, 0, 1, 1, 0, 0};

}  // namespace

TraceControlBlock& GetTraceControlBlock() {
    return g_controlBlock;
}

bool IsTraceProviderInitialized() {
    return g_initialized;
}

ULONG WINAPI TraceControlCallback(WMIDPREQUESTCODE requestCode, PVOID context, ULONG* bufferSize,
                                  PVOID buffer) {
    auto* block = static_cast<TraceControlBlock*>(context);
    *bufferSize = 0;
    TRACEHANDLE logger = 0;
    UCHAR level = 0;
    ULONG flags = 0;
    switch (requestCode) {
        case WMI_ENABLE_EVENTS:
            logger = GetTraceLoggerHandle(buffer);
            level = GetTraceEnableLevel(logger);
            flags = GetTraceEnableFlags(logger);
            break;
        case WMI_DISABLE_EVENTS:
            break;
        default:
            return ERROR_INVALID_PARAMETER;
    }
    block->logger = logger;
    block->level = level;
    block->flags = flags;
    return ERROR_SUCCESS;
}

void RegisterTraceProvider() {
    g_controlBlock = kInitialBlock;
    TRACE_GUID_REGISTRATION registration = {&kControlGuid, nullptr};
    TRACEHANDLE handle = 0;
    RegisterTraceGuidsA(&TraceControlCallback, &g_controlBlock, &kControlGuid, 1, &registration,
                        nullptr, nullptr, &handle);
    g_controlBlock.registrationHandle = handle;
    g_initialized = true;
}

void UnregisterTraceProvider() {
    if (!g_initialized) {
        return;
    }
    for (TraceControlBlock* block = &g_controlBlock; block != nullptr; block = block->next) {
        if (block->registrationHandle != 0) {
            UnregisterTraceGuids(block->registrationHandle);
            block->registrationHandle = 0;
        }
        // A controller may still hold the provider enabled: nothing may fire from here on.
        block->logger = 0;
        block->level = 0;
        block->flags = 0;
    }
    g_initialized = false;
}
