// Status reports, error events and the service main through the system-call table: Wine cannot
// show what reached SetServiceStatus or the event log, so the table records it.
#include "service/ServiceStatus.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "../unit/CapturedLog.h"
#include "diagnostics/TraceProvider.h"
#include "service/Dispatcher.h"
#include "service/ServiceSystemCalls.h"
#include "win/com_error.h"
#include "win/unique_any.h"

namespace {

const HANDLE kSource = reinterpret_cast<HANDLE>(0x1234);
using Calls = std::vector<std::vector<std::string>>;

// What reached the table; reset for every test.
struct Recorded {
    std::vector<SERVICE_STATUS> reports;
    DWORD reportError = 0;        // non-zero: the first SetServiceStatus fails with it
    std::function<void()> raise;  // set: the first SetServiceStatus calls it
    HANDLE source = kSource;      // RegisterEventSourceA's answer
    Calls calls;                  // the event-log calls in order, with their strings
    bool noHandler = false;       // the handler cannot be registered
} g;

BOOL WINAPI SetStatus(SERVICE_STATUS_HANDLE, LPSERVICE_STATUS status) {
    g.reports.push_back(*status);
    if (g.raise && g.reports.size() == 1) {
        g.raise();
    }
    const DWORD error = g.reports.size() == 1 ? g.reportError : 0;
    SetLastError(error);
    return error == 0;
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
SERVICE_STATUS_HANDLE WINAPI RegisterHandler(LPCSTR name, LPHANDLER_FUNCTION handler) {
    g.calls.push_back({"handler", name, handler == &ServiceControlHandler ? "ours" : "other"});
    return g.noHandler ? nullptr : reinterpret_cast<SERVICE_STATUS_HANDLE>(0x5678);
}

class ServiceStatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        g = Recorded();
        SystemCalls() = {&SetStatus, &Register, &Report, &Deregister, &RegisterHandler};
    }
    void TearDown() override { SystemCalls() = RealSystemCalls(); }
    CCapturedLog m_log;
};

std::vector<DWORD> Fields(const SERVICE_STATUS& s) {
    return {s.dwServiceType,   s.dwCurrentState, s.dwControlsAccepted,
            s.dwWin32ExitCode, s.dwCheckPoint,   s.dwServiceSpecificExitCode,
            s.dwWaitHint};
}

std::vector<std::uint64_t> Fields(const TraceControlBlock& b) {
    return {b.registrationHandle, b.logger, b.flagsLength, b.level, b.options, b.flags};
}

void RunServiceMain() {
    char name[] = "Yolinst";
    char* arguments[] = {name};
    service_main(1, arguments);
}

// When the running report fails, an error event is written and the stopped report carries its
// error.
TEST_F(ServiceStatusTest, ServiceMainRunsOnlyAfterReportingRunning) {
    g.noHandler = true;
    RunServiceMain();
    EXPECT_TRUE(g.reports.empty());

    g = Recorded();
    g.reportError = ERROR_INVALID_HANDLE;
    RunServiceMain();
    EXPECT_EQ(g.calls, (Calls{{"handler", "Yolinst", "ours"},
                              {"register", "(local)", "Yolinst"},
                              {"report", std::to_string(EVENTLOG_ERROR_TYPE), "Yolinst error: 6",
                               "SetServiceStatus"},
                              {"deregister"}}));
    ASSERT_EQ(g.reports.size(), 2u);
    EXPECT_EQ(g.reports[0].dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(Fields(g.reports[1]), (std::vector<DWORD>{SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED,
                                                        5, ERROR_INVALID_HANDLE, 0, 0, 0}));

    // Without an event source the error is still kept for the stopped report.
    g = Recorded();
    g.reportError = ERROR_NOT_ENOUGH_MEMORY;
    g.source = nullptr;
    RunServiceMain();
    EXPECT_EQ(g.reports.at(1).dwWin32ExitCode, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

TEST_F(ServiceStatusTest, ServiceMainLogsExceptionsAndStillStops) {
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[] { throw std::runtime_error("disk on fire"); },
         "Exception thrown in service_main: disk on fire\n"},
        {[] { throw win::com_error(E_ACCESSDENIED); },
         "Atl exception thrown in service_main. HRESULT:-2147024891\n"}};
    for (const auto& [raise, line] : cases) {
        g = Recorded();
        m_log.text.clear();
        g.raise = raise;
        RunServiceMain();
        EXPECT_EQ(m_log.text, line);
        ASSERT_EQ(g.reports.size(), 2u) << line;
        EXPECT_EQ(g.reports[1].dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_EQ(g.reports[1].dwWin32ExitCode, 1064u);
    }
}

// Check points count in pending states only; other controls than stop and shutdown re-report.
TEST_F(ServiceStatusTest, ReportsControlsAndConsoleEvents) {
    win::unique_handle stop(CreateEventA(nullptr, TRUE, FALSE, "StopYolInstServiceEvent"));
    // Already set: the handshake need not wait for a run that is not there.
    win::unique_handle stopped(CreateEventA(nullptr, TRUE, TRUE, "YolInstServiceStoppedEvent"));
    InitServiceStatus();
    ASSERT_NE(ReportServiceStatus(SERVICE_START_PENDING, 0, 5000), 0);
    ServiceControlHandler(SERVICE_CONTROL_INTERROGATE);
    ASSERT_NE(ReportServiceStatus(SERVICE_RUNNING, 0, 0), 0);

    const std::string handshake =
        "YolInst : Stopping Service ...\nYolInst: Waiting for service to stop...\n";
    const std::string console = "Stopping Zanthrex Auto-upgrade Agent\n" + handshake;
    const std::tuple<std::function<BOOL()>, BOOL, std::string, std::size_t> cases[] = {
        {[] { return ServiceControlHandler(SERVICE_CONTROL_STOP), TRUE; }, TRUE, handshake, 4},
        {[] { return ServiceControlHandler(SERVICE_CONTROL_SHUTDOWN), TRUE; }, TRUE, handshake, 5},
        {[] { return ConsoleControlHandler(CTRL_C_EVENT); }, TRUE, console, 5},
        {[] { return ConsoleControlHandler(CTRL_BREAK_EVENT); }, TRUE, console, 5},
        {[] { return ConsoleControlHandler(CTRL_CLOSE_EVENT); }, FALSE, "", 5}};
    for (const auto& [deliver, answer, lines, reports] : cases) {
        ResetEvent(stop.get());
        m_log.text.clear();
        EXPECT_EQ(deliver(), answer) << lines;
        EXPECT_EQ(m_log.text, lines);
        EXPECT_EQ(WaitForSingleObject(stop.get(), 0), lines.empty() ? WAIT_TIMEOUT : WAIT_OBJECT_0);
        EXPECT_EQ(g.reports.size(), reports);
    }

    // Other tests may have reported pending states before: counted from the first one seen here.
    ASSERT_EQ(g.reports.size(), 5u);
    const DWORD first = g.reports[0].dwCheckPoint;
    const std::vector<DWORD> expected[] = {
        {SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, 0, first, 0, 5000},
        {SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, 0, first + 1, 0, 0},
        {SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, 5, 0, 0, 0, 0},
        {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOP_PENDING, 5, 0, first + 2, 0, 0},  // goes on
        {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOP_PENDING, 5, 0, first + 3, 0, 0}};
    for (std::size_t i = 0; i < g.reports.size(); ++i) {
        EXPECT_EQ(Fields(g.reports[i]), expected[i]) << "report " << i;
    }
}

TEST(TraceProviderTest, ControlCallbackTakesOnlyEnableAndDisable) {
    TraceControlBlock block = {nullptr, 7, 99, 1, 5, 0, 0xF0};
    ULONG size = 123;
    EXPECT_EQ(TraceControlCallback(WMI_GET_ALL_DATA, &block, &size, nullptr),
              static_cast<ULONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(Fields(block), (std::vector<std::uint64_t>{7, 99, 1, 5, 0, 0xF0}));
    EXPECT_EQ(TraceControlCallback(WMI_DISABLE_EVENTS, &block, &size, nullptr), 0u);
    EXPECT_EQ(Fields(block), (std::vector<std::uint64_t>{7, 0, 1, 0, 0, 0}));
}

}  // namespace
