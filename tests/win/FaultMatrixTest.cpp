// One upgrade run per row with one system call made to fail, read back from the run's debug log.
// Beside this executable: the signed stand-in setup.exe and the package 12.1.6860.6400, staged
// over an installed 12.1.671.4971. Every row, whatever its fault, must end the run properly:
// "YolSetupStatus" 2 and none of the run's named objects left open. Adding a root to a store is
// never reached: the suite installs the embedded roots first, so every run finds them there.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <objbase.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "ImportPatch.h"
#include "InProcessRun.h"
#include "Registry.h"
#include "TempDir.h"
#include "agent/LaunchProcess.h"
#include "diagnostics/LogFile.h"
#include "trust/RootCertificates.h"

namespace {

// What the selected calls do. A call is selected when one of its string arguments equals `match`
// (any case), or always when `match` is empty, and, with `from`, when that function made it; the
// selected calls numbered first .. first+count-1 (from 1) fail: they return `result` with `error`
// as last error, or, with `passThrough`, are made and only report `error`.
struct Fault {
    const char* match;
    int first;
    int count;
    std::intptr_t result;
    DWORD error;
    bool passThrough;
    const void* from = nullptr;
};
constexpr int kAll = 1 << 30;
Fault Every(std::intptr_t result, DWORD error) {
    return {"", 1, kAll, result, error, false};
}
Fault Nth(int call, std::intptr_t result, DWORD error) {
    return {"", call, 1, result, error, false};
}
Fault Named(const char* name, std::intptr_t result, DWORD error, int call = 0) {
    return {name, call == 0 ? 1 : call, call == 0 ? kAll : 1, result, error, false};
}
Fault Reports(const char* name, DWORD error) {
    return {name, 1, kAll, 0, error, true};
}
Fault From(const void* function, std::intptr_t result, DWORD error) {
    return {"", 1, kAll, result, error, false, function};
}

// Whether the code at `address` belongs to the function that starts at `function`.
bool Within(const void* address, const void* function) {
    DWORD64 base = 0;
    const RUNTIME_FUNCTION* entry =
        RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(address), &base, nullptr);
    return entry != nullptr && base + entry->BeginAddress == reinterpret_cast<DWORD64>(function);
}

struct {
    Fault fault;
    int selected = 0;
    int injected = 0;
} g_active;

template <typename... A>
bool Selected(const void* caller, A... arguments) {
    const auto names = [](auto argument) {
        if constexpr (std::is_convertible_v<decltype(argument), const char*>) {
            return argument != nullptr && lstrcmpiA(argument, g_active.fault.match) == 0;
        }
        return false;
    };
    if ((*g_active.fault.match != '\0' && !(names(arguments) || ...)) ||
        (g_active.fault.from != nullptr && !Within(caller, g_active.fault.from))) {
        return false;
    }
    const int call = ++g_active.selected;
    if (call < g_active.fault.first || call - g_active.fault.first >= g_active.fault.count) {
        return false;
    }
    ++g_active.injected;
    return true;
}

// The stand-in for one function (x64: one calling convention); `Id` keeps stand-ins of functions
// of the same type apart.
template <typename Fn, int Id>
struct Hook;
template <typename R, typename... A, int Id>
struct Hook<R (*)(A...), Id> {
    static inline R (*original)(A...) = nullptr;
    static R Call(A... arguments) {
        if (!Selected(__builtin_return_address(0), arguments...)) {
            return original(arguments...);
        }
        if (g_active.fault.passThrough) {
            const R result = original(arguments...);
            SetLastError(g_active.fault.error);
            return result;
        }
        SetLastError(g_active.fault.error);
        if constexpr (std::is_pointer_v<R>) {
            return reinterpret_cast<R>(g_active.fault.result);
        } else {
            return static_cast<R>(g_active.fault.result);
        }
    }
};

// Where a fault is put in: an import of this executable, or a call table of the product (for the
// calls it does not make through its imports).
struct Site {
    const char* dll;
    const char* function;
    std::function<std::shared_ptr<void>()> install;  // null when there is nothing to patch
};
template <typename Fn, int Id>
std::shared_ptr<void> PatchImport(const char* dll, const char* function) {
    auto patch =
        std::make_shared<CImportPatch>(dll, function, reinterpret_cast<void*>(&Hook<Fn, Id>::Call));
    Hook<Fn, Id>::original = reinterpret_cast<Fn>(patch->Original());
    return patch->Original() != nullptr ? patch : nullptr;
}
#define IMPORT(dll, fn)                                                                     \
    Site {                                                                                  \
        dll, #fn, [] { return PatchImport<decltype(&::fn), __COUNTER__>(dll ".dll", #fn); } \
    }
#define TABLE(dll, fn, slot)                                                        \
    Site {                                                                          \
        dll, #fn, [] {                                                              \
            using H = Hook<decltype(&::fn), __COUNTER__>;                           \
            H::original = slot;                                                     \
            slot = &H::Call;                                                        \
            return std::shared_ptr<void>(&slot, [](void*) { slot = H::original; }); \
        }                                                                           \
    }

enum Outcome { kSetupRuns, kSetupRunsButFails, kNoSetup };
struct Row {
    Site site;
    Fault fault;
    // Consecutive whole lines of the log; {dir} is the storage path.
    std::vector<std::string> log;
    Outcome outcome;
    int hits = 0;  // how often the fault must be hit; 0: at least once
};

std::string Here() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    return directory.erase(directory.rfind('\\'));
}

const wintest::RegKey kProduct{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL",
                               KEY_WOW64_32KEY};
constexpr char kInstalled[] = "\\installed\\ZanthrexBastion-12.1.671.4971.msi";

class FaultMatrix : public testing::TestWithParam<Row> {
protected:
    // The client 12.0 keeps config.xml where "yol_install_path" says: here, beside Setup.ini.
    static void SetUpTestSuite() {
        const std::string here = Here();
        WriteFileText(here + "\\config.xml",
                      "<P><ClientPackage><InstallationOption UserInterfaceLevel=\"unattended\""
                      " InstallationLogFileName=\"C:\\c.log\" InstallationDirectory=\"C:\\Zx\"/>"
                      "<RebootOptions AutoReboot=\"1\"/><EnabledClientFeatures>"
                      "<F FeatureName=\"A\"/></EnabledClientFeatures></ClientPackage></P>");
        WriteFileText(here + "\\Setup.ini",
                      "[Startup]\r\nCmdLine=/qn IDCENABLE=1 /l*v C:\\s.log\r\n");
        WriteFileText(here + "\\yolinst.debug", "");
        wintest::SetString(kProduct, L"ProductVersion", L"12.0.1000");
        wintest::SetString(kProduct, L"yol_install_path", std::wstring(here.begin(), here.end()));
        wintest::SetString(kProduct, L"ProductFeaturesValidButNotAllowed", L"B");
        // Every row starts with the roots in place: a row's fault must not decide trust.
        ASSERT_EQ(InstallEmbeddedCertificates(), 0);
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        ASSERT_EQ(MsiInstallProductA((here + kInstalled).c_str(), ""), 0u);
    }
    static void TearDownTestSuite() {
        EXPECT_EQ(MsiInstallProductA((Here() + kInstalled).c_str(), "REMOVE=ALL"), 0u);
        wintest::DeleteTree(kProduct);
        inprocess::ForgetAttempts();
    }

    const inprocess::CAcceptedStatusReports m_reports;
};

TEST_P(FaultMatrix, RunEndsAsItMust) {
    const Row& row = GetParam();
    const std::string dir = Here();
    DeleteFileA((dir + "\\yolinst.log").c_str());
    DeleteFileA((dir + "\\standin.record").c_str());
    inprocess::ForgetAttempts();  // the first-time path
    const win::unique_handle stopped(
        CreateEventA(nullptr, TRUE, FALSE, "YolInstServiceStoppedEvent"));
    InitializeLog();
    g_active = {row.fault, 0, 0};
    {
        const std::shared_ptr<void> fault = row.site.install();
        ASSERT_TRUE(fault) << "not imported by this executable";
        inprocess::RunServiceBody();
    }
    if (row.hits != 0) {
        EXPECT_EQ(g_active.injected, row.hits);
    } else {
        EXPECT_GE(g_active.injected, 1) << "the fault was never hit";
    }

    // Each record: its stamp "MM/DD hh:mm:ss.mmm ", the text and a Windows line end.
    std::string log;
    std::istringstream records(ReadFileText(dir + "\\yolinst.log"));
    for (std::string line; std::getline(records, line);) {
        log += "\n" + line.substr(19, line.size() - 20);
    }
    log += "\n";
    const char* outcome = row.outcome == kSetupRuns ? "succeeded." : "failed.";
    EXPECT_NE(log.find(std::string("\nYolInst: Auto-upgrade ") + outcome + "\n"),
              std::string::npos);
    std::string block;
    for (std::string line : row.log) {
        const std::size_t mark = line.find("{dir}");
        block += (mark == std::string::npos ? line : line.replace(mark, 5, dir)) + "\n";
    }
    EXPECT_NE(log.find("\n" + block), std::string::npos) << "missing:\n" << block << "in:" << log;
    EXPECT_EQ(GetFileAttributesA((dir + "\\standin.record").c_str()) != INVALID_FILE_ATTRIBUTES,
              row.outcome != kNoSetup);
    EXPECT_EQ(inprocess::LinkValue("YolSetupStatus"), 2u);
    EXPECT_EQ(WaitForSingleObject(stopped.get(), 0), WAIT_OBJECT_0) << "no stop can wait on it";
    for (const char* mutex :
         {"YolInstall_exist", "MoraqServiceCtrlObjMutex", "Global\\QENAutoUpgradeNotifyPass"}) {
        EXPECT_FALSE(win::unique_handle(OpenMutexA(SYNCHRONIZE, FALSE, mutex))) << mutex;
    }
    EXPECT_FALSE(win::unique_handle(OpenEventA(SYNCHRONIZE, FALSE, "StopYolInstServiceEvent")));
}

template <typename... Lines>
Row R(Site site, Fault fault, Outcome outcome, Lines... lines) {
    return {std::move(site), fault, {std::string(lines)...}, outcome};
}
const std::string kFailed = "YolInst: Auto-upgrade failed.";
const std::string kReturned0 = "YolInst: RunYolSetup returns code = 0";
const std::string kCounted = "YolInst: Write 1 to LaunchSetup.";
const std::string kNoCom = "CConfigXMLParser::CConfigXMLParser - CoInitialize() failed";
// setup.exe's command line from config.xml, and from Setup.ini alone when config.xml is unread.
const std::string kConfigured =
    "\"{dir}\\setup.exe\" /w /s /v\"/qb!- /l*v C:\\c.log IDCENABLE=1 "
    "REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"";
const std::string kUnconfigured =
    "\"{dir}\\setup.exe\" /w /s /v\"/qn /l*v C:\\s.log IDCENABLE=1 "
    "REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"";
const std::string kNotUpdated = "ERROR: Unable to update {dir}\\zudUvu.ini with ";
// An unreadable package version counts as 0.0.0.0, older than the installed one.
Row Refused(Site site, Fault fault, const std::string& failure) {
    return R(std::move(site), fault, kNoSetup, failure,
             "New Version = 0.0.0.0 Installed Version = 12.1.671.4971",
             "ERROR: attempting to install lower version 0.0.0.0 over version 12.1.671.4971",
             kConfigured, "YolInst: RunYolSetup returns code = 114");
}

const Row kRows[] = {
    // The run's named objects and setup's process.
    R(IMPORT("kernel32", CreateMutexA), Reports("YolInstall_exist", 183), kNoSetup,
      "<ServiceStart>If already running", kFailed),
    R(IMPORT("kernel32", CreateMutexA), Named("YolInstall_exist", 0, 5), kSetupRuns,
      "<ServiceStart>If already running", "<ServiceStart>To create event"),
    R(IMPORT("kernel32", CreateEventA), Named("StopYolInstServiceEvent", 0, 1450), kNoSetup,
      "<ServiceStart>To create event", kFailed),
    R(IMPORT("kernel32", CreateMutexA), Named("MoraqServiceCtrlObjMutex", 0, 1450), kNoSetup,
      "<ServiceStart>To create mutex", "YolInst: Cannot create mutex.", kFailed),
    R(IMPORT("kernel32", CreateMutexA), Named("Global\\QENAutoUpgradeNotifyPass", 0, 5), kSetupRuns,
      "Create mutex. Failed..", kReturned0),
    R(IMPORT("kernel32", CreateMutexA), Reports("Global\\QENAutoUpgradeNotifyPass", 183),
      kSetupRuns, "Create Mutex. Failed (ALREADY_EXISTS) ", kReturned0),
    R(IMPORT("kernel32", CreateProcessA), Every(FALSE, 2), kNoSetup,
      "YolInst: RunYolSetup returns code = -1", kCounted),
    // No memory for the writable copy of setup's command line.
    R(IMPORT("msvcrt", malloc), From(reinterpret_cast<void*>(&LaunchProcessAndWait), 0, 8),
      kNoSetup, "YolInst: RunYolSetup returns code = -1", kCounted),
    // Status report, security attributes, storage path.
    R(TABLE("advapi32", SetServiceStatus, SystemCalls().setServiceStatus), Nth(1, FALSE, 6),
      kNoSetup, "<ServiceStart>Set up pending", kFailed),
    R(IMPORT("kernel32", LocalAlloc), Nth(1, 0, 8), kNoSetup, "<ServiceStart>To create event",
      "Create security attributes failed", kFailed),
    R(IMPORT("kernel32", GetModuleFileNameA), Nth(1, 0, 122), kNoSetup,
      "YolInst: Stop event received.", kFailed),
    // The product link key (its second write is "LaunchSetup") and the result marker.
    R(IMPORT("advapi32", RegCreateKeyExA), Named(inprocess::kLinkKey, 5, 5, 2), kSetupRuns,
      kCounted, "<YolSetupResult>Yol Setup Code = 0"),
    // 120 polls for the result, and no second attempt.
    Row{IMPORT("advapi32", RegOpenKeyExA),
        Named(inprocess::kMarkerKey, 2, 2),
        {kCounted, "<YolSetupResult>Try to read YolSetupResult for 3 minutes. Failed.",
         "<YolSetupResult>ERR to read YolSetupResult.", "********* install error 1303-- retry 1",
         kFailed},
        kSetupRunsButFails,
        120},
    // The installer: ProductVersion is the package's second property read. (A package that
    // cannot be opened and no related product are the debug run's, end to end.)
    Refused(IMPORT("msi", MsiDatabaseOpenViewA), Nth(2, 1615, 1615),
            "ERROR: MsiDatabaseOpenView failed with error 1615 from query SELECT * FROM Property "
            "WHERE `Property`='ProductVersion'"),
    Refused(IMPORT("msi", MsiViewExecute), Nth(2, 1627, 1627),
            "ERROR: MsiViewExecute failed with error 1627"),
    Refused(IMPORT("msi", MsiViewFetch), Nth(2, 259, 259),
            "ERROR: MsiViewFetch failed with error 259"),
    Refused(IMPORT("msi", MsiRecordGetStringA), Nth(2, 234, 234),
            "ERROR: MsiRecordGetString failed with error 234"),
    R(IMPORT("msi", MsiGetProductInfoA), Nth(2, 1605, 1605), kNoSetup,
      "ERROR: MsiGetProductInfo failed with error1605", "GetInstalledVersion() failed",
      "YolInst: RunYolSetup returns code = 113"),
    // The configuration: COM and the XML document, zudUvu.ini.
    R(IMPORT("ole32", CoInitializeEx), Every(0x8007000E, 0), kSetupRuns, kNoCom, kNoCom, kNoCom,
      "New Version = 12.1.6860.6400 Installed Version = 12.1.671.4971", kNoCom, kUnconfigured),
    R(IMPORT("ole32", CoCreateInstance), Every(0x80040154, 0), kSetupRuns,
      "New Version = 12.1.6860.6400 Installed Version = 12.1.671.4971", kUnconfigured),
    R(IMPORT("kernel32", WritePrivateProfileStringA), Every(FALSE, 5), kSetupRuns,
      kNotUpdated + "install options from config.xml - 0x001d",
      kNotUpdated + "reboot options from config.xml - 0x001d",
      kNotUpdated + "Feature options from config.xml - 0x001d"),
    // Trust in setup.exe: the verifier failing, and the signed object unreadable (the second
    // query: the first reads the embedded certificates).
    R(IMPORT("wintrust", WinVerifyTrust), Every(0x800B0100, 0x800B0100), kNoSetup,
      "Trust verification for setup.exe failed", kReturned0),
    R(IMPORT("crypt32", CryptQueryObject), Nth(2, FALSE, 0x80092009), kNoSetup,
      "Setup path = {dir}\\setup.exe", "Trust verification for setup.exe failed", kReturned0),
    // Roots that cannot be refreshed leave the verification to the roots already there.
    R(IMPORT("crypt32", CertOpenStore), Every(0, 5), kSetupRuns, "Setup path = {dir}\\setup.exe",
      "New Version = 12.1.6860.6400 Installed Version = 12.1.671.4971"),
    // The client's service cannot be looked for: its registry view is the 32-bit one.
    R(IMPORT("kernel32", LoadLibraryA), Every(0, 126), kSetupRuns, kCounted,
      "<YolSetupResult>Yol Setup Code = 0"),
};

// Numbered, as several rows fault the same call.
std::string Name(const testing::TestParamInfo<Row>& info) {
    return std::to_string(info.index) + "_" + info.param.site.dll + "_" + info.param.site.function;
}

INSTANTIATE_TEST_SUITE_P(UpgradeRun, FaultMatrix, testing::ValuesIn(kRows), Name);

}  // namespace
