// Status reports and error events through the system-call table: Wine cannot show what reached
// SetServiceStatus or the event log, so the table records it.
#include "service/ServiceStatus.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/TraceProvider.h"
#include "service/ServiceSystemCalls.h"

namespace {

const HANDLE kSource = reinterpret_cast<HANDLE>(0x1234);
using Calls = std::vector<std::vector<std::string>>;

// What reached the table; reset for every test.
struct Recorded {
    std::vector<SERVICE_STATUS> reports;
    DWORD reportError = 0;    // non-zero: SetServiceStatus fails with it
    HANDLE source = kSource;  // RegisterEventSourceA's answer
    Calls calls;              // the event-log calls in order, with their strings
} g;

BOOL WINAPI SetStatus(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS status) {
    g.reports.push_back(*status);
    SetLastError(g.reportError);
    return g.reportError == 0;
}
HANDLE WINAPI Register(LPCSTR server, LPCSTR name) {
    g.calls.push_back({"register", server ? server : "(local)", name});
    return g.source;
}
BOOL WINAPI Report(HANDLE handle, WORD type, WORD category, DWORD id, PSID sid, WORD count,
                   DWORD rawSize, LPCSTR* strings, LPVOID raw) {
    EXPECT_TRUE(handle == kSource && category == 0 && id == 0 && sid == nullptr && rawSize == 0 &&
                raw == nullptr);
    g.calls.push_back({"report", std::to_string(type)});
    g.calls.back().insert(g.calls.back().end(), strings, strings + count);
    return TRUE;
}
BOOL WINAPI Deregister(HANDLE handle) {
    g.calls.push_back({handle == kSource ? "deregister" : "deregister another handle"});
    return TRUE;
}

class ServiceStatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        g = Recorded();
        SystemCalls() = {&SetStatus, &Register, &Report, &Deregister};
    }
    void TearDown() override { SystemCalls() = RealSystemCalls(); }
};

std::vector<DWORD> Fields(const SERVICE_STATUS& s) {
    return {s.dwServiceType,   s.dwCurrentState, s.dwControlsAccepted,
            s.dwWin32ExitCode, s.dwCheckPoint,   s.dwServiceSpecificExitCode,
            s.dwWaitHint};
}

// The check-point counter is process-wide and other tests may have reported pending states
// before: check points are counted from the first one seen here.
TEST_F(ServiceStatusTest, ReportsCarryControlsAndCheckPoints) {
    struct Step {
        DWORD state, exitCode, waitHint, controls, nthPending;  // nthPending 0: check point 0
    };
    const Step steps[] = {{SERVICE_RUNNING, 0, 0, 5, 0},
                          {SERVICE_START_PENDING, 0, 5000, 0, 1},
                          {SERVICE_START_PENDING, 0, 5000, 0, 2},
                          {SERVICE_STOP_PENDING, 0, 0, 5, 3},
                          {SERVICE_STOPPED, 1063, 0, 5, 0}};
    InitServiceStatus();
    DWORD before = 0;
    for (const Step& s : steps) {
        EXPECT_NE(ReportServiceStatus(s.state, s.exitCode, s.waitHint), 0);
        ASSERT_EQ(g.reports.size(), static_cast<std::size_t>(&s - steps + 1));  // one each
        const SERVICE_STATUS& report = g.reports.back();
        before = s.nthPending == 1 ? report.dwCheckPoint - 1 : before;
        const DWORD checkPoint = s.nthPending == 0 ? 0 : before + s.nthPending;
        EXPECT_EQ(Fields(report),
                  (std::vector<DWORD>{SERVICE_WIN32_OWN_PROCESS, s.state, s.controls, s.exitCode,
                                      checkPoint, 0, s.waitHint}))
            << s.state;
        EXPECT_EQ(CurrentServiceState(), s.state);
    }
    EXPECT_TRUE(g.calls.empty());
}

TEST_F(ServiceStatusTest, AFailedReportWritesAnErrorEventAndBecomesTheExitCode) {
    g.reportError = ERROR_INVALID_HANDLE;
    EXPECT_EQ(ReportServiceStatus(SERVICE_RUNNING, 0, 0), 0);
    EXPECT_EQ(LastServiceError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    const Calls registration = {{"register", "(local)", "Yolinst"}};
    EXPECT_EQ(g.calls, (Calls{registration[0],
                              {"report", std::to_string(EVENTLOG_ERROR_TYPE), "Yolinst error: 6",
                               "SetServiceStatus"},
                              {"deregister"}}));

    // Without an event source the event is dropped but the error is still kept.
    g = Recorded();
    g.source = nullptr;
    SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    LogServiceError("StartServiceCtrlDispatcher failed.");
    EXPECT_EQ(LastServiceError(), static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT));
    EXPECT_EQ(g.calls, registration);
}

TEST(ErrorTextTest, LastErrorAsSystemTextAndCode) {
    SetLastError(ERROR_ACCESS_DENIED);
    const std::string text = FormatLastErrorText();  // the system text, without its line break
    EXPECT_TRUE(text.size() > 6 && text.substr(text.size() - 6) == " (0x5)" &&
                text.find('\n') == std::string::npos)
        << text;

    SetLastError(0x20001234);  // no system text for a customer code
    EXPECT_STREQ(FormatLastErrorText(), "");
}

std::vector<std::uint64_t> Fields(const TraceControlBlock& b) {
    return {b.registrationHandle, b.logger, b.flagsLength, b.level, b.options, b.flags};
}

TEST(TraceProviderTest, ControlCallbackTakesOnlyEnableAndDisable) {
    TraceControlBlock block = {nullptr, 7, 99, 1, 5, 0, 0xF0};
    ULONG size = 123;
    EXPECT_EQ(TraceControlCallback(WMI_GET_ALL_DATA, &block, &size, nullptr),
              static_cast<ULONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(Fields(block), (std::vector<std::uint64_t>{7, 99, 1, 5, 0, 0xF0}));

    size = 123;
    EXPECT_EQ(TraceControlCallback(WMI_DISABLE_EVENTS, &block, &size, nullptr), 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(Fields(block), (std::vector<std::uint64_t>{7, 0, 1, 0, 0, 0}));

    RegisterTraceProvider();
    EXPECT_EQ(GetTraceControlBlock().flagsLength, 1u);
    EXPECT_EQ(GetTraceControlBlock().level, 1u);
    UnregisterTraceProvider();
    EXPECT_EQ(GetTraceControlBlock().registrationHandle, 0u);
}

}  // namespace
