#include "agent/ServiceRun.h"

#include <optional>
#include <string>

#include "agent/CallerPid.h"
#include "agent/ProductRegistry.h"
#include "agent/ResultCodes.h"
#include "agent/RunDecision.h"
#include "agent/SecurityAttributes.h"
#include "agent/SetupLaunch.h"
#include "agent/SetupResult.h"
#include "diagnostics/DebugLog.h"
#include "diagnostics/LogFile.h"
#include "service/ServiceNames.h"
#include "service/ServiceStatus.h"
#include "win/module_path.h"
#include "win/unique_any.h"

namespace {

constexpr char kStopEvent[] = "StopYolInstServiceEvent";
constexpr char kStoppedEvent[] = "YolInstServiceStoppedEvent";
// Held open for the whole run so that other processes, of any user, can see a run in progress.
constexpr char kControlMutex[] = "MoraqServiceCtrlObjMutex";
constexpr DWORD kPendingHint = 5000;
constexpr DWORD kStopLookMs = 500;
constexpr DWORD kStopWaitMs = 120000;

// The named objects of one run, closed by the closing steps in their fixed order.
struct RunObjects {
    win::unique_handle runMutex;
    win::unique_handle stopEvent;
    win::unique_handle controlMutex;
};

std::uint32_t CallerPidFrom(DWORD argc, LPSTR* argv) {
    if (argc != 2 || argv == nullptr) {
        return 0;
    }
    return ResolveCallerPid(run::ParseStartArgument(argv[1]));
}

// Steps up to the single look at the stop event. False means: take the failure path.
bool Prepare(DWORD argc, LPSTR* argv, RunObjects& objects, GRD::CEveryoneDACL& security,
             std::uint32_t& callerPid) {
    if (!ReportServiceStatus(SERVICE_START_PENDING, NO_ERROR, kPendingHint)) {
        return false;
    }
    YOL_LOG("<ServiceStart>If already running");
    objects.runMutex.reset(CreateMutexA(nullptr, FALSE, names::kRunMutex));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        return false;
    }
    callerPid = CallerPidFrom(argc, argv);

    YOL_LOG("<ServiceStart>To create event");
    objects.stopEvent.reset(CreateEventA(nullptr, TRUE, FALSE, kStopEvent));
    if (!objects.stopEvent || !ReportServiceStatus(SERVICE_START_PENDING, NO_ERROR, kPendingHint)) {
        return false;
    }
    if (!security.Create()) {
        YOL_LOG("Create security attributes failed");
        return false;
    }
    if (!ReportServiceStatus(SERVICE_START_PENDING, NO_ERROR, kPendingHint)) {
        return false;
    }
    YOL_LOG("<ServiceStart>To create mutex");
    objects.controlMutex.reset(CreateMutexA(security.Attributes(), FALSE, kControlMutex));
    if (!objects.controlMutex) {
        YOL_LOG("YolInst: Cannot create mutex.");
        return false;
    }
    if (!ReportServiceStatus(SERVICE_RUNNING, NO_ERROR, 0)) {
        return false;
    }
    YOL_LOG("<ServiceStart>To wait for stop event");
    // The only look at the stop event: once work has begun, a setup in progress is never cut off.
    if (WaitForSingleObjectEx(objects.stopEvent.get(), kStopLookMs, TRUE) == WAIT_OBJECT_0) {
        YOL_LOG("YolInst: Stop event received.");
    }
    return true;
}

// The directory of this executable; empty when its path cannot be read as ANSI text.
std::string StoragePath() {
    char path[MAX_PATH] = {};
    const DWORD length = win::ModulePathA(path, MAX_PATH);
    if (length == 0) {
        return {};
    }
    std::string storage(path, length);
    const std::string::size_type slash = storage.rfind('\\');
    if (slash == std::string::npos) {
        return {};
    }
    storage.erase(slash);
    return storage;
}

bool Attempt(const std::string& storagePath, std::uint32_t callerPid, std::uint32_t launchSetup) {
    const int code = RunYolSetup(storagePath.c_str(), callerPid);
    YOL_LOG(outputstr("YolInst: RunYolSetup returns code = ") + code);
    const std::uint32_t count = launchSetup + 1;
    SetLinkValue(product::kLaunchSetup, count);
    YOL_LOG(outputstr("YolInst: Times to set up = ") + static_cast<unsigned long>(count));
    return YolSetupResult() == result::kSucceeded;
}

bool AttemptFirstTime(const std::string& storagePath, std::uint32_t callerPid) {
    YOL_LOG("YolInst: LaunchSetup not found, first time setup. ");
    for (int attempts = 1;; ++attempts) {
        const int code = RunYolSetup(storagePath.c_str(), callerPid);
        YOL_LOG(outputstr("YolInst: RunYolSetup returns code = ") + code);
        SetLinkValue(product::kLaunchSetup, 1);
        YOL_LOG(outputstr("YolInst: Write ") + 1 + " to LaunchSetup.");
        const int outcome = YolSetupResult();
        if (outcome != result::kNoResult) {
            return outcome == result::kSucceeded;
        }
        YOL_LOG(outputstr("********* install error 1303-- retry ") + attempts);
        if (static_cast<std::uint32_t>(attempts) >= run::kAttemptLimit) {
            return false;
        }
    }
}

// Decides from the registry handshake and makes at most one attempt. True for success.
bool Upgrade(const std::string& storagePath, std::uint32_t callerPid) {
    const std::optional<std::uint32_t> launchSetup = ReadLinkValue(product::kLaunchSetup);
    const std::optional<std::uint32_t> marker =
        launchSetup ? ReadResultMarker() : std::optional<std::uint32_t>();
    switch (run::Decide(launchSetup, marker)) {
        case run::Path::FirstTime:
            return AttemptFirstTime(storagePath, callerPid);
        case run::Path::AlreadySucceeded:
            YOL_LOG(outputstr("YolInst: RunYolSetup has been run, result = ") +
                    static_cast<unsigned long>(run::kMarkerInstalled));
            return true;
        case run::Path::AlreadyAttempted:
            YOL_LOG(outputstr("YolInst: Yol Setup has FAILED for ") +
                    static_cast<unsigned long>(run::kAttemptLimit) + " times.");
            return false;
        case run::Path::Attempt:
            return Attempt(storagePath, callerPid, *launchSetup);
    }
    return false;
}

void Close(RunObjects& objects) {
    YOL_LOG("YolInst: Stopping Yolinst ...");
    objects.controlMutex.reset();
    objects.runMutex.reset();
    YOL_LOG("================= End ===================");
    CloseLog();
    objects.stopEvent.reset();
    win::unique_handle stopped(OpenEventA(EVENT_MODIFY_STATE, FALSE, kStoppedEvent));
    if (stopped) {
        SetEvent(stopped.get());
    }
    SetLinkValue(product::kSetupStatus, 2);
}

}  // namespace

void ServiceStart(DWORD argc, LPSTR* argv) {
    YOL_LOG("<ServiceStart>To begin the service");
    YOL_LOG("<ServiceStart>Set up pending");
    SetLinkValue(product::kSetupStatus, 1);

    GRD::CEveryoneDACL security;  // released last, after the closing steps
    RunObjects objects;
    std::uint32_t callerPid = 0;
    bool succeeded = false;
    if (Prepare(argc, argv, objects, security, callerPid)) {
        // A run that cannot find its own directory ends as failed and still closes properly:
        // nothing may leave "YolSetupStatus" at 1.
        const std::string storagePath = StoragePath();
        if (!storagePath.empty()) {
            YOL_LOG(outputstr("YolInst: Storage Path=") + storagePath.c_str());
            succeeded = Upgrade(storagePath, callerPid);
        }
    }
    YOL_LOG(succeeded ? "YolInst: Auto-upgrade succeeded." : "YolInst: Auto-upgrade failed.");
    Close(objects);
}

void ServiceStop() {
    YOL_LOG("YolInst : Stopping Service ...");
    win::unique_handle stopped(CreateEventA(nullptr, TRUE, FALSE, kStoppedEvent));
    if (!stopped) {
        YOL_LOG("YolInst: Creating stopped event handle failed!");
        return;
    }
    win::unique_handle stop(OpenEventA(EVENT_MODIFY_STATE, FALSE, kStopEvent));
    if (!stop) {
        YOL_LOG("YolInst: Opening stop event handle failed!");
        return;
    }
    SetEvent(stop.get());
    YOL_LOG("YolInst: Waiting for service to stop...");
    WaitForSingleObjectEx(stopped.get(), kStopWaitMs, TRUE);
}
