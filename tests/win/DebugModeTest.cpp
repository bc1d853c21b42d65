// Debug mode is one-way for the whole process, so its checks live in a binary of their own.
#include <windows.h>

#include <gtest/gtest.h>

#include "agent/SetupResult.h"
#include "service/DebugMode.h"
#include "service/ServiceStatus.h"
#include "service/ServiceSystemCalls.h"

namespace {

int g_calls = 0;

TEST(DebugMode, NothingReachesTheScmOrTheEventLog) {
    SystemCalls().setServiceStatus = [](SERVICE_STATUS_HANDLE, LPSERVICE_STATUS) -> BOOL {
        return ++g_calls, TRUE;
    };
    SystemCalls().registerEventSource = [](LPCSTR, LPCSTR) -> HANDLE { return ++g_calls, nullptr; };
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

// The product waits a second between its polls for setup's result (the other test builds poll
// every millisecond).
TEST(ResultPolling, TheProductPollsOnceASecond) {
    EXPECT_EQ(ResultPollIntervalMs(), 1000u);
}

}  // namespace
