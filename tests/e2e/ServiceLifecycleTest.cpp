// The built yolinst.exe, driven through its switches and Wine's Service Control Manager.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "E2eSupport.h"

namespace e2e {
namespace {

Lines operator+(Lines first, const Lines& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The records of one command-line run: the header, its argument, `body` and the closing line.
Lines Command(const char* argument, const Lines& body) {
    Lines lines = {kHeader, argument};
    lines.insert(lines.end(), body.begin(), body.end());
    lines.push_back("command line has been handled");
    return lines;
}

const Lines kInstallLines =
    Command("-install", {"<mfn_Install> Begin.", "<mfn_Install> Begin to install yolinst service.",
                         "Zanthrex Auto-upgrade Agent installed.", "<mfn_Install> End."});
const Lines kUninstallLines = Command(
    "-uninstall",
    {"<mfn_UnInstall> Begin.", "Zanthrex Auto-upgrade Agent removed.", "<mfn_UnInstall> End."});

struct ServiceConfig {
    DWORD state, type, startType, errorControl;
    std::string imagePath, loadOrderGroup, dependencies, account, displayName, description;
};

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

ServiceConfig QueryConfig() {
    win::unique_schandle manager = OpenManager();
    win::unique_schandle service(
        OpenServiceA(manager.get(), kService, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    std::vector<char> config(8192), description(8192);
    auto* c = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(config.data());
    auto* d = reinterpret_cast<SERVICE_DESCRIPTIONA*>(description.data());
    DWORD needed = 0;
    if (!QueryServiceStatus(service.get(), &status) ||
        !QueryServiceConfigA(service.get(), c, 8192, &needed) ||
        !QueryServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, reinterpret_cast<BYTE*>(d),
                              8192, &needed)) {
        ADD_FAILURE() << "querying the service: " << GetLastError();
        return {};
    }
    // Only the first dependency: an empty one means there are none.
    return {status.dwCurrentState,
            c->dwServiceType,
            c->dwStartType,
            c->dwErrorControl,
            Text(c->lpBinaryPathName),
            Text(c->lpLoadOrderGroup),
            Text(c->lpDependencies),
            Text(c->lpServiceStartName),
            Text(c->lpDisplayName),
            Text(d->lpDescription)};
}

using ServiceLifecycle = CAgentTest;

TEST_F(ServiceLifecycle, InstallRegistersADemandStartServiceForThisExecutable) {
    const std::string exe = StageAgent();
    EXPECT_EQ(0u, Execute(exe, "-install"));

    const ServiceConfig config = QueryConfig();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.type);  // the prefix is Win 7
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
    EXPECT_EQ("\"" + exe + "\"", config.imagePath);
    EXPECT_EQ("", config.loadOrderGroup);
    EXPECT_EQ("", config.dependencies);
    EXPECT_EQ("LocalSystem", config.account);
    EXPECT_EQ(kAgentName, config.displayName);
    EXPECT_EQ("Automatically updates Zanthrex client security software.", config.description);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), config.state);

    EXPECT_EQ(kInstallLines, ReadLog(m_folder));
}

// The executable carries what installers and the product marker look for: an asInvoker manifest,
// the product marker (a 32-bit 1, then 3) and a version block describing the agent.
TEST(Executable, CarriesManifestMarkerAndVersion) {
    win::unique_hmodule image(
        LoadLibraryExA(g_inputs.product.c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(image) << GetLastError();
    auto bytes = [&](LPCSTR name, LPCSTR type) {
        HRSRC found = FindResourceA(image.get(), name, type);
        HGLOBAL loaded = found ? LoadResource(image.get(), found) : nullptr;
        const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
        return data ? std::string(data, SizeofResource(image.get(), found)) : std::string();
    };
    EXPECT_EQ(std::string("\x01\x00\x00\x00\x03", 5), bytes(MAKEINTRESOURCEA(1), "ZANPRO"));
    EXPECT_NE(std::string::npos,
              bytes(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)).find("level=\"asInvoker\""));

    std::string version(GetFileVersionInfoSizeA(g_inputs.product.c_str(), nullptr), '\0');
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoA(g_inputs.product.c_str(), 0, version.size(), &version[0]));
    char* description = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(version.data(), "\\StringFileInfo\\040904b0\\FileDescription",
                               reinterpret_cast<void**>(&description), &length));
    EXPECT_STREQ(kAgentName, description);
}

// The product ships without its symbol table; a debug link names the symbol file kept beside it.
TEST(Executable, ShipsStrippedWithADebugLink) {
    std::ifstream in(g_inputs.product, std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(image.size(), 0x40u);
    const auto dword = [&](size_t at) {
        DWORD value = 0;
        image.copy(reinterpret_cast<char*>(&value), sizeof value, at);
        return value;
    };
    const size_t fileHeader = dword(0x3C) + 4;  // after the "PE\0\0" signature
    // The COFF string table stays (it holds the long section names), with no symbol in it.
    EXPECT_EQ(0u, dword(fileHeader + 12)) << "number of symbols";
    EXPECT_NE(std::string::npos, image.find(std::string("yolinst.exe.debug\0", 18)));
    EXPECT_TRUE(std::ifstream(g_inputs.product + ".debug").good());
}

// A second install from a newer package takes over the registration and clears the upgrade
// attempt in the view the management client uses: 64-bit when its service is installed.
class Reinstall : public CAgentTest, public testing::WithParamInterface<bool> {};

TEST_P(Reinstall, RepointsTheServiceAndClearsLaunchSetupInTheClientsView) {
    const bool clientInstalled = GetParam();
    if (clientInstalled) {
        ASSERT_NO_FATAL_FAILURE(InstallClientService());
    }
    Install(StageAgent("first"));
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        SetDword(HKEY_LOCAL_MACHINE, view, kLinkKey, "LaunchSetup", 1);
    }

    const std::string second = StageAgent("second copy");
    EXPECT_EQ(0u, Execute(second, "-install"));

    const ServiceConfig config = QueryConfig();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS),
              config.type);
    EXPECT_EQ("\"" + second + "\"", config.imagePath);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
    EXPECT_EQ(kAgentName, config.displayName);

    const REGSAM clientView = clientInstalled ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const REGSAM otherView = clientInstalled ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    EXPECT_FALSE(ReadDword(HKEY_LOCAL_MACHINE, clientView, kLinkKey, "LaunchSetup"));
    EXPECT_EQ(1u, ReadDword(HKEY_LOCAL_MACHINE, otherView, kLinkKey, "LaunchSetup"));

    EXPECT_EQ(
        Command("-install", {"<mfn_Install> Begin.", "<mfn_Install> yolinst service already exist.",
                             "<mfn_Install> change service config.modify image path."}),
        ReadLog(Folder(second)));
}

INSTANTIATE_TEST_SUITE_P(ClientService, Reinstall, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Installed" : "Absent");
                         });

// The start command starts the service with its own PID; the run resolves it to the process that
// ran the command (this test) and hands that to setup as YOLPID. The stand-in setup stays a while,
// and when the service has stopped its process relaunches itself with -uninstall, which removes
// the service. Three processes share the log.
TEST_F(ServiceLifecycle, StartRunsTheUpgradeAndTheServiceRemovesItself) {
    // Still running when the start command looks one second after its request.
    const std::string exe = Stage({"0", 2500});
    std::ofstream(m_folder + "\\Setup.ini") << "[Startup]\nCmdLine=/l*v \"C:\\logs\\setup.log\"\n";
    Install(exe);

    EXPECT_EQ(0u, Execute(exe, "-start"));
    ASSERT_TRUE(WaitUntil([] { return !ServiceExists(kService); }))
        << "the relaunched -uninstall did not remove the service";

    const std::string commandLine =
        "\"" + m_folder + "\\setup.exe\" /w /s /v\"/qn /l*v \\\"C:\\logs\\setup.log\\\" YOLPID=" +
        std::to_string(GetCurrentProcessId()) +
        " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"";
    // No .msi is staged: nothing to compare, so no version check refuses the package.
    const std::string noPackage = "ERROR: MsiOpenDatabase failed with error 1627 on " + m_folder;
    // No client is installed: each configuration reader (three option parsers, then the command
    // line's) finds no version, and the feature parser no features to leave out.
    const std::string noVersion =
        "CConfigXMLParser::CConfigXMLParser - Unable to read value 'ProductVersion'";
    // The run closes the log at its end, so the service process's last line is the End line.
    Lines run =
        RunLines(m_folder,
                 {"YolInst: LaunchSetup not found, first time setup. ",
                  "Setup path = " + m_folder + "\\setup.exe", noVersion, noVersion, noVersion,
                  "CFeatureOptParser::propigateOptions - Unable to read value "
                  "'ProductFeaturesValidButNotAllowed'",
                  noPackage, "ERROR: MsiEnumRelatedProducts failed with error 259", noPackage,
                  "New Version = 0.0.0.0 Installed Version = ", noVersion, commandLine,
                  "Successfully created new mutex", "YolInst: RunYolSetup returns code = 0",
                  "YolInst: Write 1 to LaunchSetup.", "<YolSetupResult>Yol Setup Code = 0"},
                 true);
    run.insert(run.begin(), {kHeader, "Begin to call <mfn_Runservice>.",
                             "<DoNTService> Start Service Control Dispatcher."});
    // The start command saw the service start pending or running; each poll of a pending one
    // wrote a "." line.
    Lines log = WaitForLog(m_folder, run.size() + kUninstallLines.size() + 7);
    Lines starter = {kHeader, "-start", "<mfn_StartService> Begin.",
                     "Starting " + std::string(kAgentName)};
    starter.insert(starter.end(), std::count(log.begin(), log.end(), "."), ".");
    starter.insert(starter.end(), {"Zanthrex Auto-upgrade Agent started.",
                                   "<mfn_StartService> End.", "command line has been handled"});
    EXPECT_TRUE(IsInterleaving(log, {starter, run, kUninstallLines})) << Dump(log);
}

// While an upgrade run holds "YolInstall_exist", install and start refuse: the registration and
// the upgrade state stay as they were.
TEST_F(ServiceLifecycle, InstallAndStartRefuseWhileARunIsInProgress) {
    const std::string first = StageAgent("first");
    Install(first);
    SetDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "LaunchSetup", 1);
    win::unique_handle run(CreateMutexA(nullptr, FALSE, "YolInstall_exist"));

    const std::string second = StageAgent("second");
    EXPECT_EQ(0u, Execute(second, "-install"));
    EXPECT_EQ(0u, Execute(second, "-start"));
    EXPECT_EQ(
        Command("-install",
                {"<mfn_Install> Begin.",
                 "<mfn_Install>yolinst.exe is running, please stop and uninstall it first"}) +
            Command("-start", {"<mfn_StartService> Begin.",
                               "<mfn_StartService> Create Mutex of yolinstall_exist failed."}),
        ReadLog(Folder(second)));
    const ServiceConfig config = QueryConfig();
    EXPECT_EQ("\"" + first + "\"", config.imagePath);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), config.state);
    EXPECT_EQ(1u, ReadDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "LaunchSetup"));
}

// Whether `log` reads as `wanted`, where "*" in a wanted line stands for any text (the system's
// wording of an error) and a run of "." lines counts as one.
bool Matches(Lines log, const Lines& wanted) {
    log.erase(std::unique(
                  log.begin(), log.end(),
                  [](const std::string& a, const std::string& b) { return a == "." && b == "."; }),
              log.end());
    auto match = [](const std::string& line, const std::string& pattern) {
        const size_t star = pattern.find('*');
        if (star == std::string::npos) {
            return line == pattern;
        }
        const size_t tail = pattern.size() - star - 1;
        return line.size() >= pattern.size() - 1 && line.compare(0, star, pattern, 0, star) == 0 &&
               line.compare(line.size() - tail, tail, pattern, star + 1, tail) == 0;
    };
    return log.size() == wanted.size() && std::equal(log.begin(), log.end(), wanted.begin(), match);
}

// The start command's failures, against a stand-in service that stays start pending at one check
// point with a short wait hint; -uninstall then stops that running service and removes it.
TEST_F(ServiceLifecycle, StartFailuresAndUninstallOfARunningService) {
    const std::string exe = StageAgent();
    EXPECT_EQ(0u, Execute(exe, "-start"));  // nothing installed
    EXPECT_EQ(0u, Execute(exe, "-install"));
    {
        win::unique_schandle service(
            OpenServiceA(OpenManager().get(), kService, SERVICE_CHANGE_CONFIG));
        const std::string image = "\"" + g_inputs.standin + "\" --pending-service";
        ASSERT_TRUE(ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                         SERVICE_NO_CHANGE, image.c_str(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr));
    }
    EXPECT_EQ(0u, Execute(exe, "-start"));
    EXPECT_EQ(0u, Execute(exe, "-start"));  // the service is still there, pending
    EXPECT_EQ(0u, Execute(exe, "-uninstall"));
    EXPECT_FALSE(ServiceExists(kService));

    const Lines wanted =
        Command("-start", {"<mfn_StartService> Begin.", "OpenService failed - * (0x424)",
                           "<mfn_StartService> End."}) +
        kInstallLines +
        Command("-start",
                {"<mfn_StartService> Begin.", "Starting Zanthrex Auto-upgrade Agent", ".",
                 "StartStatus - No progress made within the wait hint",
                 "Zanthrex Auto-upgrade Agent failed to start.", "  Current State: 2\n",
                 "  Exit Code: 0\n", "  Service Specific Exit Code: 0\n", "  Check Point: 1\n",
                 "  Wait Hint: 1900\n", "  Last Error Code: *\n", "<mfn_StartService> End."}) +
        Command("-start", {"<mfn_StartService> Begin.", "StartService failed - * (0x420)",
                           "<mfn_StartService> End."}) +
        Command("-uninstall", {"<mfn_UnInstall> Begin.", "Stopping Zanthrex Auto-upgrade Agent",
                               ".", "Zanthrex Auto-upgrade Agent stopped.",
                               "Zanthrex Auto-upgrade Agent removed.", "<mfn_UnInstall> End."});
    const Lines log = ReadLog(m_folder);
    EXPECT_TRUE(Matches(log, wanted)) << Dump(log);
}

TEST_F(ServiceLifecycle, StopOfAStoppedServiceDoesNothing) {
    const std::string exe = StageAgent();
    Install(exe);
    EXPECT_EQ(0u, Execute(exe, "-stop"));
    EXPECT_EQ(Command("-stop", {}), ReadLog(m_folder));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), QueryConfig().state);
}

// Started without arguments by a person instead of the SCM: the dispatcher cannot connect, and
// the process still removes the service it would have been.
TEST_F(ServiceLifecycle, NoArgumentOutsideTheScmStillRemovesTheService) {
    // Points the dispatcher at a control pipe that does not exist, so it fails at once.
    SetDword(HKEY_LOCAL_MACHINE, 0, "SYSTEM\\CurrentControlSet\\Control\\ServiceCurrent", nullptr,
             99999);
    const std::string exe = StageAgent();
    Install(exe);

    EXPECT_EQ(0u, Execute(exe, nullptr));
    ASSERT_TRUE(WaitUntil([] { return !ServiceExists(kService); }))
        << "the relaunched -uninstall did not remove the service";

    const Lines expected = Lines{kHeader, "Begin to call <mfn_Runservice>.",
                                 "<DoNTService> Start Service Control Dispatcher.",
                                 "<DoNTService> Start Service Control Dispatcher Failed.",
                                 "<mfn_Runservice> called."} +
                           kUninstallLines;
    EXPECT_EQ(expected, WaitForLog(m_folder, expected.size()));
}

}  // namespace
}  // namespace e2e
