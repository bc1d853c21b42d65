#include "service/ServiceSystemCalls.h"

namespace {
const ServiceSystemCalls kReal = {&::SetServiceStatus, &::RegisterEventSourceA, &::ReportEventA,
                                  &::DeregisterEventSource, &::RegisterServiceCtrlHandlerA};
ServiceSystemCalls g_calls = kReal;
}  // namespace

ServiceSystemCalls& SystemCalls() {
    return g_calls;
}
const ServiceSystemCalls& RealSystemCalls() {
    return kReal;
}
