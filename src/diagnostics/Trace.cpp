#include "diagnostics/Trace.h"

#include <windows.h>
#include <evntrace.h>

#include "diagnostics/TraceProvider.h"

namespace trace {

namespace {
// Message GUID of the shared library's trace points.
const GUID kMessageGuid = {
    0x6c1e2f0a, 0x3b5d, 0x4e7f, {0x9a, 0x11, 0x2c, 0x4d, 0x8e, 0x70, 0x51, 0xb3}};
TraceMessageFunction g_traceMessage = &::TraceMessage;
}  // namespace

bool Enabled(std::uint32_t flag, std::uint8_t level) {
    const TraceControlBlock& block = GetTraceControlBlock();
    return IsTraceProviderInitialized() && (block.flags & flag) != 0 && block.level >= level;
}

void Text(std::uint32_t flag, std::uint8_t level, std::uint16_t number, const wchar_t* text,
          std::uint32_t value) {
    if (!Enabled(flag, level)) {
        return;
    }
    const wchar_t* safe = text ? text : L"";
    g_traceMessage(GetTraceControlBlock().logger,
                   TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP |
                       TRACE_MESSAGE_SYSTEMINFO,
                   &kMessageGuid, number, safe, (lstrlenW(safe) + 1) * sizeof(wchar_t), &value,
                   sizeof value, nullptr);
}

}  // namespace trace

void SetTraceMessageForTest(TraceMessageFunction function) {
    trace::g_traceMessage = function != nullptr ? function : &::TraceMessage;
}
