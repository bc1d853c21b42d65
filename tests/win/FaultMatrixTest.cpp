// One upgrade run per row with one system call made to fail, read back from the run's debug log.
// Beside this executable: the signed stand-in setup.exe and the package 12.1.6860.6400, staged
// over an installed 12.1.671.4971. Every row, whatever its fault, must end the run properly:
// "YolSetupStatus" 2 and none of the run's named objects left open.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <objbase.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "ImportPatch.h"
#include "InProcessRun.h"
#include "TempDir.h"
#include "diagnostics/LogFile.h"
#include "trust/CryptoProvider.h"

namespace {

// What the selected calls do. A call is selected when one of its string arguments equals `match`
// (any case), or always when `match` is empty; the selected calls numbered first .. first+count-1
// (from 1) fail: they return `result` with `error` as last error, or, when `passThrough` is set,
// are made and only report `error`.
struct Fault {
    const char* match;
    int first;
    int count;
    std::intptr_t result;
    DWORD error;
    bool passThrough;
};
constexpr int kAll = INT_MAX / 2;
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

struct {
    Fault fault;
    int selected = 0;
    int injected = 0;
} g_active;

template <typename T>
bool Names(T argument) {
    const char* match = g_active.fault.match;
    if constexpr (std::is_convertible_v<T, const char*>) {
        return argument != nullptr && lstrcmpiA(argument, match) == 0;
    } else if constexpr (std::is_convertible_v<T, const wchar_t*>) {
        std::string narrow;
        for (const wchar_t* c = argument; c != nullptr && *c != L'\0'; ++c) {
            narrow += static_cast<char>(*c);
        }
        return argument != nullptr && lstrcmpiA(narrow.c_str(), match) == 0;
    }
    return false;
}

template <typename... A>
bool Selected(A... arguments) {
    if (*g_active.fault.match != '\0' && !(Names(arguments) || ...)) {
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
// with the same type apart.
template <typename Fn, int Id>
struct Hook;
template <typename R, typename... A, int Id>
struct Hook<R (*)(A...), Id> {
    static inline R (*original)(A...) = nullptr;
    static R Call(A... arguments) {
        if (!Selected(arguments...)) {
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

// Where a fault is put in: an import of this executable, or a call table of the product.
struct Site {
    const char* dll;
    const char* function;
    std::function<std::shared_ptr<void>()> install;
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

struct Row {
    Site site;
    Fault fault;
    int launchSetup;  // "LaunchSetup" before the run; -1: absent
    // Whole log lines in this order, each group of them consecutive ("..." separates groups);
    // {dir} is the storage path.
    std::vector<std::string> lines;
    bool setupRuns;
    bool succeeded;
};

std::string Here() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    return directory.erase(directory.rfind('\\'));
}

void SetProductValue(const char* name, const std::string& text) {
    win::unique_hkey key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL", 0, nullptr, 0,
                    KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, key.put(), nullptr);
    RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

constexpr char kInstalled[] = "\\installed\\ZanthrexBastion-12.1.671.4971.msi";

class FaultMatrix : public testing::TestWithParam<Row> {
protected:
    static void SetUpTestSuite() {
        const std::string here = Here();
        WriteFileText(
            here + "\\config.xml",
            "<Policies><ClientPackage><InstallationOption UserInterfaceLevel=\"unattended\""
            " InstallationLogFileName=\"C:\\c.log\" InstallationDirectory=\"C:\\Zx\"/>"
            "<RebootOptions AutoReboot=\"1\"/><EnabledClientFeatures>"
            "<F FeatureName=\"A\"/></EnabledClientFeatures></ClientPackage></Policies>");
        WriteFileText(here + "\\Setup.ini",
                      "[Startup]\r\nCmdLine=/qn IDCENABLE=1 /l*v C:\\s.log\r\n");
        WriteFileText(here + "\\yolinst.debug", "");
        // Configuration is read from yol_install_path for clients up to 12.0.
        SetProductValue("ProductVersion", "12.0.1000");
        SetProductValue("yol_install_path", here);
        SetProductValue("ProductFeaturesValidButNotAllowed", "B");
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        ASSERT_EQ(MsiInstallProductA((here + kInstalled).c_str(), ""), 0u);
    }
    static void TearDownTestSuite() {
        EXPECT_EQ(MsiInstallProductA((Here() + kInstalled).c_str(), "REMOVE=ALL"), 0u);
        win::unique_hkey key;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL", 0,
                      KEY_SET_VALUE | KEY_WOW64_32KEY, key.put());
        for (const char* name :
             {"ProductVersion", "yol_install_path", "ProductFeaturesValidButNotAllowed"}) {
            RegDeleteValueA(key.get(), name);
        }
        inprocess::ForgetAttempts();
    }

    const inprocess::CAcceptedStatusReports m_reports;
};

std::string WithDir(std::string line, const std::string& dir) {
    const std::string::size_type at = line.find("{dir}");
    return at == std::string::npos ? line : line.replace(at, 5, dir);
}

// The first group of `expected` found in order in `log`, or empty when all were found.
std::string MissingGroup(const std::vector<std::string>& log,
                         const std::vector<std::string>& expected, const std::string& dir) {
    std::size_t from = 0;
    for (std::size_t begin = 0; begin < expected.size();) {
        std::size_t end = begin;
        while (end < expected.size() && expected[end] != "...") {
            ++end;
        }
        bool found = false;
        for (; !found && from + (end - begin) <= log.size(); ++from) {
            found = true;
            for (std::size_t i = begin; found && i < end; ++i) {
                found = log[from + i - begin] == WithDir(expected[i], dir);
            }
        }
        if (!found) {
            return WithDir(expected[begin], dir);
        }
        from += end - begin - 1;
        begin = end + 1;
    }
    return {};
}

TEST_P(FaultMatrix, RunEndsAsItMust) {
    const Row& row = GetParam();
    const std::string dir = Here();
    DeleteFileA((dir + "\\yolinst.log").c_str());
    DeleteFileA((dir + "\\standin.record").c_str());
    inprocess::ForgetAttempts();
    if (row.launchSetup >= 0) {
        win::unique_hkey link;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, inprocess::kLinkKey, 0, nullptr, 0,
                        KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, link.put(), nullptr);
        const DWORD count = static_cast<DWORD>(row.launchSetup);
        RegSetValueExA(link.get(), "LaunchSetup", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&count), sizeof count);
    }
    InitializeLog();
    g_active = {row.fault, 0, 0};
    {
        const std::shared_ptr<void> fault = row.site.install();
        ASSERT_TRUE(fault) << "not imported by this executable";
        inprocess::RunServiceBody();
    }
    EXPECT_GE(g_active.injected, 1)
        << "the fault was never hit (" << g_active.selected << " calls selected)";

    std::vector<std::string> log;
    std::istringstream text(ReadFileText(dir + "\\yolinst.log"));
    for (std::string line; std::getline(text, line);) {
        // Each record: "MM/DD hh:mm:ss.mmm " and the message, with a Windows line end.
        log.push_back(line.substr(19, line.size() - 20));
    }
    EXPECT_EQ(MissingGroup(log, row.lines, dir), "") << ReadFileText(dir + "\\yolinst.log");
    EXPECT_EQ(MissingGroup(log,
                           {row.succeeded ? "YolInst: Auto-upgrade succeeded."
                                          : "YolInst: Auto-upgrade failed."},
                           dir),
              "");
    EXPECT_EQ(GetFileAttributesA((dir + "\\standin.record").c_str()) != INVALID_FILE_ATTRIBUTES,
              row.setupRuns);
    EXPECT_EQ(inprocess::LinkValue("YolSetupStatus"), 2u);
    for (const char* mutex :
         {"YolInstall_exist", "MoraqServiceCtrlObjMutex", "Global\\QENAutoUpgradeNotifyPass"}) {
        EXPECT_FALSE(win::unique_handle(OpenMutexA(SYNCHRONIZE, FALSE, mutex))) << mutex;
    }
    EXPECT_FALSE(win::unique_handle(OpenEventA(SYNCHRONIZE, FALSE, "StopYolInstServiceEvent")));
}

constexpr bool kSetup = true, kNoSetup = false, kSucceeds = true, kFails = false;
const std::string kReader = "CConfigXMLParser::CConfigXMLParser";
const std::string kNoComLine = kReader + " - CoInitialize() failed";
const std::string kNoKeyLine =
    kReader + " - Unable to open registry key'SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL'";
// setup.exe's command line when config.xml could not be read: Setup.ini's log switch, no "/qb!-".
const std::string kUnconfiguredLine =
    "\"{dir}\\setup.exe\" /w /s /v\"/qn /l*v C:\\s.log IDCENABLE=1 REBOOT=ReallySuppress "
    "IDCDEPLOYMENT=AutoUpgrade\"";
const std::vector<std::string> kUntrusted = {"Setup path = {dir}\\setup.exe",
                                             "Trust verification for setup.exe failed",
                                             "YolInst: RunYolSetup returns code = 0"};
// With the package's version unreadable it counts as 0.0.0.0, older than the installed one.
std::vector<std::string> Refused(const std::string& failure) {
    return {failure, "New Version = 0.0.0.0 Installed Version = 12.1.671.4971",
            "ERROR: attempting to install lower version 0.0.0.0 over version 12.1.671.4971", "...",
            "YolInst: RunYolSetup returns code = 114"};
}
const std::string kUpdateFailed = "ERROR: Unable to update {dir}\\zudUvu.ini with ";

const Row kRows[] = {
    // The run's named objects and its setup process.
    {IMPORT("kernel32", CreateMutexA),
     Reports("YolInstall_exist", 183),
     -1,
     {"<ServiceStart>If already running", "YolInst: Auto-upgrade failed."},
     kNoSetup,
     kFails},
    {IMPORT("kernel32", CreateMutexA),
     Named("YolInstall_exist", 0, 5),
     -1,
     {"<ServiceStart>If already running", "<ServiceStart>To create event"},
     kSetup,
     kSucceeds},
    {IMPORT("kernel32", CreateEventA),
     Named("StopYolInstServiceEvent", 0, 1450),
     -1,
     {"<ServiceStart>To create event", "YolInst: Auto-upgrade failed."},
     kNoSetup,
     kFails},
    {IMPORT("kernel32", CreateMutexA),
     Named("MoraqServiceCtrlObjMutex", 0, 1450),
     -1,
     {"<ServiceStart>To create mutex", "YolInst: Cannot create mutex.",
      "YolInst: Auto-upgrade failed."},
     kNoSetup,
     kFails},
    {IMPORT("kernel32", CreateMutexA),
     Named("Global\\QENAutoUpgradeNotifyPass", 0, 5),
     -1,
     {"Create mutex. Failed..", "YolInst: RunYolSetup returns code = 0"},
     kSetup,
     kSucceeds},
    {IMPORT("kernel32", CreateMutexA),
     Reports("Global\\QENAutoUpgradeNotifyPass", 183),
     -1,
     {"Create Mutex. Failed (ALREADY_EXISTS) ", "YolInst: RunYolSetup returns code = 0"},
     kSetup,
     kSucceeds},
    {IMPORT("kernel32", CreateProcessA),
     Every(FALSE, 2),
     -1,
     {"YolInst: RunYolSetup returns code = -1", "YolInst: Write 1 to LaunchSetup."},
     kNoSetup,
     kFails},
    // Status reports, security attributes, the storage path.
    {TABLE("advapi32", SetServiceStatus, SystemCalls().setServiceStatus),
     Nth(1, FALSE, 6),
     -1,
     {"<ServiceStart>Set up pending", "YolInst: Auto-upgrade failed."},
     kNoSetup,
     kFails},
    {IMPORT("kernel32", LocalAlloc),
     Nth(1, 0, 8),
     -1,
     {"<ServiceStart>To create event", "Create security attributes failed",
      "YolInst: Auto-upgrade failed."},
     kNoSetup,
     kFails},
    {IMPORT("advapi32", InitializeSecurityDescriptor),
     Every(FALSE, 1338),
     -1,
     {"<ServiceStart>To create event", "Create security attributes failed",
      "YolInst: Auto-upgrade failed."},
     kNoSetup,
     kFails},
    {IMPORT("kernel32", GetModuleFileNameA),
     Nth(1, 0, 122),
     -1,
     {"YolInst: Stop event received.", "YolInst: Auto-upgrade failed."},
     kNoSetup,
     kFails},
    // The product link key and the result marker.
    {IMPORT("advapi32", RegOpenKeyExA),
     Named(inprocess::kLinkKey, 2, 2),
     1,
     {"YolInst: LaunchSetup not found, first time setup. "},
     kSetup,
     kSucceeds},
    {IMPORT("advapi32", RegQueryValueExA),
     Named("LaunchSetup", 5, 5),
     1,
     {"YolInst: LaunchSetup not found, first time setup. "},
     kSetup,
     kSucceeds},
    {IMPORT("advapi32", RegCreateKeyExA),
     Named(inprocess::kLinkKey, 5, 5, 2),
     -1,
     {"YolInst: Write 1 to LaunchSetup.", "<YolSetupResult>Yol Setup Code = 0"},
     kSetup,
     kSucceeds},
    {IMPORT("advapi32", RegOpenKeyExA),
     Named(inprocess::kMarkerKey, 2, 2),
     -1,
     {"YolInst: Write 1 to LaunchSetup.",
      "<YolSetupResult>Try to read YolSetupResult for 3 minutes. Failed.",
      "<YolSetupResult>ERR to read YolSetupResult.", "********* install error 1303-- retry 1",
      "YolInst: Auto-upgrade failed."},
     kSetup,
     kFails},
    // The installer: the package's ProductVersion (the second property read), the installed one.
    {IMPORT("msi", MsiOpenDatabaseA), Nth(2, 110, 110), -1,
     Refused("ERROR: MsiOpenDatabase failed with error 110 on "
             "{dir}\\ZanthrexBastion-12.1.6860.6400.msi"),
     kNoSetup, kFails},
    {IMPORT("msi", MsiDatabaseOpenViewA), Nth(2, 1615, 1615), -1,
     Refused("ERROR: MsiDatabaseOpenView failed with error 1615 from query SELECT * FROM "
             "Property WHERE `Property`='ProductVersion'"),
     kNoSetup, kFails},
    {IMPORT("msi", MsiViewExecute), Nth(2, 1627, 1627), -1,
     Refused("ERROR: MsiViewExecute failed with error 1627"), kNoSetup, kFails},
    {IMPORT("msi", MsiViewFetch), Nth(2, 259, 259), -1,
     Refused("ERROR: MsiViewFetch failed with error 259"), kNoSetup, kFails},
    {IMPORT("msi", MsiRecordGetStringA), Nth(2, 234, 234), -1,
     Refused("ERROR: MsiRecordGetString failed with error 234"), kNoSetup, kFails},
    {IMPORT("msi", MsiEnumRelatedProductsA),
     Nth(1, 1610, 1610),
     -1,
     {"ERROR: MsiEnumRelatedProducts failed with error 1610",
      "New Version = 12.1.6860.6400 Installed Version = "},
     kSetup,
     kSucceeds},
    {IMPORT("msi", MsiGetProductInfoA),
     Nth(2, 1605, 1605),
     -1,
     {"ERROR: MsiGetProductInfo failed with error1605", "GetInstalledVersion() failed",
      "YolInst: RunYolSetup returns code = 113"},
     kNoSetup,
     kFails},
    // The configuration: COM and the XML document, the product key, zudUvu.ini.
    {IMPORT("ole32", CoInitializeEx),
     Every(0x8007000E, 0),
     -1,
     {kNoComLine, kNoComLine, kNoComLine, "...", kNoComLine, kUnconfiguredLine},
     kSetup,
     kSucceeds},
    {IMPORT("ole32", CoCreateInstance),
     Every(0x80040154, 0),
     -1,
     {"New Version = 12.1.6860.6400 Installed Version = 12.1.671.4971", kUnconfiguredLine},
     kSetup,
     kSucceeds},
    {IMPORT("advapi32", RegOpenKeyExA),
     Named("SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL", 2, 2),
     -1,
     {kNoKeyLine, kNoKeyLine, kNoKeyLine,
      "CFeatureOptParser::propigateOptions - Unable to open registry key "
      "'SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL'",
      "...", kNoKeyLine, kUnconfiguredLine},
     kSetup,
     kSucceeds},
    {IMPORT("advapi32", RegQueryValueExA),
     Named("ProductFeaturesValidButNotAllowed", 2, 2),
     -1,
     {"CFeatureOptParser::propigateOptions - Unable to read value "
      "'ProductFeaturesValidButNotAllowed'"},
     kSetup,
     kSucceeds},
    {IMPORT("kernel32", WritePrivateProfileStringA),
     Every(FALSE, 5),
     -1,
     {kUpdateFailed + "install options from config.xml - 0x001d",
      kUpdateFailed + "reboot options from config.xml - 0x001d",
      kUpdateFailed + "Feature options from config.xml - 0x001d"},
     kSetup,
     kSucceeds},
    // setup.exe: held open, then verified (the context's own open is the second).
    {IMPORT("kernel32", CreateFileW),
     Nth(1, -1, 32),
     -1,
     {"Setup path = {dir}\\setup.exe",
      "Failed to open a read-shared handle of setup.exe file. Cannot move ahead with install",
      "YolInst: RunYolSetup returns code = 0"},
     kNoSetup,
     kFails},
    {IMPORT("kernel32", CreateFileW), Nth(2, -1, 32), -1, kUntrusted, kNoSetup, kFails},
    {TABLE("advapi32", CryptAcquireContextW, ProviderCalls().acquireContext),
     Every(FALSE, 0x8009001D),
     -1,
     {},
     kSetup,
     kSucceeds},
    {IMPORT("crypt32", CertOpenStore), Every(0, 5), -1, {}, kSetup, kSucceeds},
    {IMPORT("wintrust", WinVerifyTrust), Every(0x800B0100, 0x800B0100), -1, kUntrusted, kNoSetup,
     kFails},
    // The signed object is the second query: the first reads the embedded certificates.
    {IMPORT("crypt32", CryptQueryObject), Nth(2, FALSE, 0x80092009), -1, kUntrusted, kNoSetup,
     kFails},
    {IMPORT("crypt32", CryptMsgGetParam), Nth(1, FALSE, 0x8009100E), -1, kUntrusted, kNoSetup,
     kFails},
    {IMPORT("crypt32", CertGetNameStringW), Every(1, 0), -1, kUntrusted, kNoSetup, kFails},
};

std::string Name(const testing::TestParamInfo<Row>& info) {
    const Row& row = info.param;
    std::ostringstream name;
    name << row.site.dll << '_' << row.site.function << '_';
    for (const char* c = row.fault.match; *c != '\0'; ++c) {
        if (IsCharAlphaNumericA(*c)) {
            name << *c;
        }
    }
    if (row.fault.count == 1) {
        name << (*row.fault.match != '\0' ? "Call" : "call") << row.fault.first;
    } else if (*row.fault.match == '\0') {
        name << "every";
    }
    // The error the call leaves, or what it returns when that is its whole answer.
    const std::uint32_t code =
        row.fault.error != 0 ? row.fault.error : static_cast<std::uint32_t>(row.fault.result);
    name << (row.fault.passThrough ? "_reports" : row.fault.error != 0 ? "_fails" : "_returns");
    if (code > 0xFFFF) {
        name << "0x" << std::hex << std::uppercase;
    }
    name << code << (row.setupRuns ? "_setupRuns" : "_noSetup");
    return name.str();
}

// The expected outcome, shown beside each name in the test list.
void PrintTo(const Row& row, std::ostream* out) {
    *out << (row.succeeded ? "succeeds" : "fails") << "; log:";
    for (const std::string& line : row.lines) {
        *out << " \"" << line << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(UpgradeRun, FaultMatrix, testing::ValuesIn(kRows), Name);

}  // namespace
