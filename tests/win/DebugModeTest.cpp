// Debug mode is one-way for the whole process, so its checks live in a binary of their own.
#include <windows.h>

#include <gtest/gtest.h>

#include "service/DebugMode.h"
#include "service/ServiceStatus.h"
#include "service/ServiceSystemCalls.h"

namespace {

int g_calls = 0;
BOOL WINAPI CountingSetStatus(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS) {
    return ++g_calls, TRUE;
}
HANDLE WINAPI CountingRegister(LPCSTR, LPCSTR) {
    return ++g_calls, nullptr;
}

TEST(DebugMode, NothingReachesTheScmOrTheEventLog) {
    SystemCalls().setServiceStatus = &CountingSetStatus;
    SystemCalls().registerEventSource = &CountingRegister;
    EXPECT_FALSE(IsDebugMode());
    EnterDebugMode();
    EXPECT_TRUE(IsDebugMode());

    EXPECT_EQ(ReportServiceStatus(SERVICE_START_PENDING, 0, 5000), 1);
    SetLastError(ERROR_ACCESS_DENIED);
    LogServiceError("SetServiceStatus");
    EXPECT_EQ(g_calls, 0);
    EXPECT_EQ(LastServiceError(), 0u);  // not even stored
    SystemCalls() = RealSystemCalls();
}

}  // namespace
