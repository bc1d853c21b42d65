// The software-trace provider that shared-library code reports through. A trace controller enables
// and disables it through the control callback; trace points only read the control block.
#pragma once

#include <windows.h>
#include <wmistr.h>
#include <evntrace.h>

#include <cstdint>

struct TraceControlBlock {
    TraceControlBlock* next;
    std::uint64_t registrationHandle;
    std::uint64_t logger;  // non-zero while a logger has the provider enabled
    std::uint8_t flagsLength;
    std::uint8_t level;
    std::uint16_t options;
    std::uint32_t flags;
};

// Registers the provider (control GUID {fd7a03bb-c60d-421d-bc3a-b41d39f2786b}); failure is ignored.
void RegisterTraceProvider();
// Unregisters it if it was registered, and clears the logger, level and flags it was enabled with.
void UnregisterTraceProvider();
// Whether the provider is registered (between the two calls above).
bool IsTraceProviderInitialized();

// The process's one control block, for trace points and tests.
TraceControlBlock& GetTraceControlBlock();

// The control callback: 4 enables (logger, level and flags from the request buffer), 5 disables,
// anything else answers 87 and changes nothing. Always sets *bufferSize to 0.
ULONG WINAPI TraceControlCallback(WMIDPREQUESTCODE requestCode, PVOID context, ULONG* bufferSize,
                                  PVOID buffer);

// Test seam: the function trace points hand their messages to, TraceMessage unless replaced (null
// restores it). Wine's TraceMessage is a stub, so only a replacement can show what reached it.
using TraceMessageFunction = decltype(&::TraceMessage);
void SetTraceMessageForTest(TraceMessageFunction function);
