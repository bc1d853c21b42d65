// Status reports and error events through the system-call table: Wine cannot show what reached
// SetServiceStatus or the event log, so the table records it.
#include "service/ServiceStatus.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics/TraceProvider.h"
#include "service/ServiceSystemCalls.h"

namespace {

struct Recorded {
    static inline std::vector<SERVICE_STATUS> reports;
    static inline BOOL reportResult = TRUE;
    static inline DWORD reportError = 0;
    static inline std::vector<std::vector<std::string>> events;
    static inline std::vector<WORD> eventTypes;
    static inline std::string source;
    static inline bool registerFails = false;
    static inline int deregistered = 0;

    static BOOL WINAPI SetStatus(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS status) {
        reports.push_back(*status);
        SetLastError(reportError);
        return reportResult;
    }
    static HANDLE WINAPI Register(LPCSTR server, LPCSTR name) {
        source = name;
        return (registerFails || server != nullptr) ? nullptr : reinterpret_cast<HANDLE>(0x1234);
    }
    static BOOL WINAPI Report(HANDLE, WORD type, WORD category, DWORD id, PSID sid, WORD count,
                              DWORD rawSize, LPCSTR* strings, LPVOID raw) {
        EXPECT_EQ(category, 0);
        EXPECT_EQ(id, 0u);
        EXPECT_EQ(sid, nullptr);
        EXPECT_EQ(rawSize, 0u);
        EXPECT_EQ(raw, nullptr);
        eventTypes.push_back(type);
        events.emplace_back(strings, strings + count);
        return TRUE;
    }
    static BOOL WINAPI Deregister(HANDLE) {
        ++deregistered;
        return TRUE;
    }
};

class ServiceStatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorded::reports.clear();
        Recorded::events.clear();
        Recorded::eventTypes.clear();
        Recorded::reportResult = TRUE;
        Recorded::registerFails = false;
        Recorded::deregistered = 0;
        SystemCalls() = {&Recorded::SetStatus, &Recorded::Register, &Recorded::Report,
                         &Recorded::Deregister};
    }
    void TearDown() override { SystemCalls() = RealSystemCalls(); }
};

// The counter is process-wide and other tests may have reported pending states before: the
// check points are compared with the first one seen here.
TEST_F(ServiceStatusTest, ReportsCarryControlsAndCheckPoints) {
    InitServiceStatus();
    EXPECT_NE(ReportServiceStatus(SERVICE_RUNNING, 0, 0), 0);
    EXPECT_NE(ReportServiceStatus(SERVICE_START_PENDING, 0, 5000), 0);
    EXPECT_NE(ReportServiceStatus(SERVICE_START_PENDING, 0, 5000), 0);
    EXPECT_NE(ReportServiceStatus(SERVICE_STOP_PENDING, 0, 0), 0);
    EXPECT_NE(ReportServiceStatus(SERVICE_STOPPED, 1063, 0), 0);

    ASSERT_EQ(Recorded::reports.size(), 5u);
    const SERVICE_STATUS& running = Recorded::reports[0];
    EXPECT_EQ(running.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(running.dwControlsAccepted, 5u);
    EXPECT_EQ(running.dwCheckPoint, 0u);
    EXPECT_EQ(Recorded::reports[1].dwControlsAccepted, 0u);
    const DWORD first = Recorded::reports[1].dwCheckPoint;
    EXPECT_GE(first, 1u);
    EXPECT_EQ(Recorded::reports[1].dwWaitHint, 5000u);
    EXPECT_EQ(Recorded::reports[2].dwCheckPoint, first + 1);
    EXPECT_EQ(Recorded::reports[3].dwControlsAccepted, 5u);
    EXPECT_EQ(Recorded::reports[3].dwCheckPoint, first + 2);
    EXPECT_EQ(Recorded::reports[4].dwCheckPoint, 0u);
    EXPECT_EQ(Recorded::reports[4].dwWin32ExitCode, 1063u);
    EXPECT_EQ(CurrentServiceState(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_TRUE(Recorded::events.empty());
}

TEST_F(ServiceStatusTest, AFailedReportWritesAnErrorEventAndBecomesTheExitCode) {
    Recorded::reportResult = FALSE;
    Recorded::reportError = ERROR_INVALID_HANDLE;
    EXPECT_EQ(ReportServiceStatus(SERVICE_RUNNING, 0, 0), 0);
    EXPECT_EQ(LastServiceError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(Recorded::source, "Yolinst");
    ASSERT_EQ(Recorded::events.size(), 1u);
    EXPECT_EQ(Recorded::eventTypes[0], EVENTLOG_ERROR_TYPE);
    EXPECT_EQ(Recorded::events[0],
              (std::vector<std::string>{"Yolinst error: 6", "SetServiceStatus"}));
    EXPECT_EQ(Recorded::deregistered, 1);
}

TEST_F(ServiceStatusTest, AnUnregisteredSourceDropsTheEventButKeepsTheError) {
    Recorded::registerFails = true;
    SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    LogServiceError("StartServiceCtrlDispatcher failed.");
    EXPECT_EQ(LastServiceError(), static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT));
    EXPECT_TRUE(Recorded::events.empty());
    EXPECT_EQ(Recorded::deregistered, 0);
}

TEST(ErrorTextTest, LastErrorAsSystemTextAndCode) {
    SetLastError(ERROR_ACCESS_DENIED);
    const std::string text = FormatLastErrorText();
    ASSERT_GT(text.size(), 6u);
    EXPECT_EQ(text.substr(text.size() - 6), " (0x5)");
    EXPECT_EQ(text.find('\n'), std::string::npos);

    SetLastError(0x20001234);  // no system text for a customer code
    EXPECT_STREQ(FormatLastErrorText(), "");
}

TEST(TraceProviderTest, ControlCallbackTakesOnlyEnableAndDisable) {
    TraceControlBlock block = {nullptr, 7, 99, 1, 5, 0, 0xF0};
    ULONG size = 123;
    EXPECT_EQ(TraceControlCallback(WMI_GET_ALL_DATA, &block, &size, nullptr),
              static_cast<ULONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(block.logger, 99u);
    EXPECT_EQ(block.flags, 0xF0u);

    size = 123;
    EXPECT_EQ(TraceControlCallback(WMI_DISABLE_EVENTS, &block, &size, nullptr), 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(block.logger, 0u);
    EXPECT_EQ(block.level, 0u);
    EXPECT_EQ(block.flags, 0u);
    EXPECT_EQ(block.registrationHandle, 7u);

    RegisterTraceProvider();
    EXPECT_EQ(GetTraceControlBlock().flagsLength, 1u);
    EXPECT_EQ(GetTraceControlBlock().level, 1u);
    UnregisterTraceProvider();
    EXPECT_EQ(GetTraceControlBlock().registrationHandle, 0u);
}

}  // namespace
