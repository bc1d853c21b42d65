// The built yolinst.exe, driven through its switches and Wine's Service Control Manager.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "AgentFixture.h"

namespace {

using e2e::kAgentName;
using e2e::kClientService;
using e2e::kHeader;
using e2e::kLinkKey;
using e2e::kService;
using e2e::Lines;

Lines InstallLines(const std::string& argument) {
    return {kHeader,
            argument,
            "<mfn_Install> Begin.",
            "<mfn_Install> Begin to install yolinst service.",
            "Zanthrex Auto-upgrade Agent installed.",
            "<mfn_Install> End.",
            "command line has been handled"};
}

const Lines kUninstallLines = {kHeader,
                               "-uninstall",
                               "<mfn_UnInstall> Begin.",
                               "Zanthrex Auto-upgrade Agent removed.",
                               "<mfn_UnInstall> End.",
                               "command line has been handled"};

class ServiceLifecycle : public e2e::CAgentTest {
protected:
    std::string Stage(const std::string& subfolder = "") { return StageAgent(subfolder); }

    // Installs through the product and forgets the lines it wrote.
    void Install(const std::string& exe) {
        ASSERT_EQ(0u, e2e::Run(exe, "-install").exitCode);
        ASSERT_TRUE(e2e::ServiceExists(kService));
        EmptyLog(Folder(exe));
    }
};

TEST_F(ServiceLifecycle, InstallRegistersADemandStartServiceForThisExecutable) {
    const std::string exe = Stage();
    EXPECT_EQ(0u, e2e::Run(exe, "-install").exitCode);

    const e2e::ServiceConfig config = e2e::QueryConfig(kService);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS),
              config.type);  // the prefix is Windows 7
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
    EXPECT_EQ("\"" + exe + "\"", config.imagePath);
    EXPECT_EQ("", config.loadOrderGroup);
    EXPECT_EQ("", config.dependencies);
    EXPECT_EQ("LocalSystem", config.account);
    EXPECT_EQ(kAgentName, config.displayName);
    EXPECT_EQ("Automatically updates Zanthrex client security software.", config.description);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), e2e::QueryState(kService));

    EXPECT_EQ(InstallLines("-install"), e2e::ReadLog(m_folder));
}

// A second install from a newer package takes over the registration and clears the upgrade
// attempt in the view the management client uses: 64-bit when its service is installed.
class Reinstall : public ServiceLifecycle, public testing::WithParamInterface<bool> {};

TEST_P(Reinstall, RepointsTheServiceAndClearsLaunchSetupInTheClientsView) {
    const bool clientInstalled = GetParam();
    if (clientInstalled) {
        e2e::CreateDummyService(kClientService);
    }
    Install(Stage("first"));
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        e2e::SetDword(HKEY_LOCAL_MACHINE, view, kLinkKey, "LaunchSetup", 1);
    }

    const std::string second = Stage("second copy");
    EXPECT_EQ(0u, e2e::Run(second, "-install").exitCode);

    const e2e::ServiceConfig config = e2e::QueryConfig(kService);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS),
              config.type);
    EXPECT_EQ("\"" + second + "\"", config.imagePath);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
    EXPECT_EQ(kAgentName, config.displayName);

    const REGSAM clientView = clientInstalled ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const REGSAM otherView = clientInstalled ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    EXPECT_FALSE(e2e::ValueExists(clientView, kLinkKey, "LaunchSetup"));
    EXPECT_TRUE(e2e::ValueExists(otherView, kLinkKey, "LaunchSetup"));

    EXPECT_EQ((Lines{kHeader, "-install", "<mfn_Install> Begin.",
                     "<mfn_Install> yolinst service already exist.",
                     "<mfn_Install> change service config.modify image path.",
                     "command line has been handled"}),
              e2e::ReadLog(Folder(second)));
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
    const std::string exe = Stage();
    std::filesystem::copy_file(e2e::StandinPath(), m_folder + "\\setup.exe");
    // Still running when the start command looks one second after its request.
    std::ofstream(m_folder + "\\standin.ini") << "[standin]\nrun_ms=2500\nresult=0\n";
    std::ofstream(m_folder + "\\Setup.ini") << "[Startup]\nCmdLine=/l*v \"C:\\logs\\setup.log\"\n";
    Install(exe);

    const e2e::Finished start = e2e::Run(exe, "-start");
    EXPECT_EQ(0u, start.exitCode);
    ASSERT_TRUE(e2e::WaitUntil([] { return !e2e::ServiceExists(kService); }))
        << "the relaunched -uninstall did not remove the service";

    const std::string commandLine =
        "\"" + m_folder + "\\setup.exe\" /w /s /v\"/qn /l*v \\\"C:\\logs\\setup.log\\\" YOLPID=" +
        std::to_string(GetCurrentProcessId()) +
        " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"";
    // No .msi is staged: nothing to compare, so no version check refuses the package.
    const std::string noPackage = "ERROR: MsiOpenDatabase failed with error 1627 on " + m_folder;
    // The run closes the log at its end, so the service process's last line is the End line.
    const Lines run = {kHeader,
                       "Begin to call <mfn_Runservice>.",
                       "<DoNTService> Start Service Control Dispatcher.",
                       "<ServiceStart>To begin the service",
                       "<ServiceStart>Set up pending",
                       "<ServiceStart>If already running",
                       "<ServiceStart>To create event",
                       "<ServiceStart>To create mutex",
                       "<ServiceStart>To wait for stop event",
                       "YolInst: Storage Path=" + m_folder,
                       "YolInst: LaunchSetup not found, first time setup. ",
                       "Setup path = " + m_folder + "\\setup.exe",
                       noPackage,
                       "ERROR: MsiEnumRelatedProducts failed with error 259",
                       noPackage,
                       "New Version = 0.0.0.0 Installed Version = ",
                       commandLine,
                       "Successfully created new mutex",
                       "YolInst: RunYolSetup returns code = 0",
                       "YolInst: Write 1 to LaunchSetup.",
                       "<YolSetupResult>Yol Setup Code = 0",
                       "YolInst: Auto-upgrade succeeded.",
                       "YolInst: Stopping Yolinst ...",
                       "================= End ==================="};
    // The start command saw the service start pending or running; each poll of a pending one
    // wrote a "." line.
    Lines log = e2e::WaitForLog(m_folder, run.size() + kUninstallLines.size() + 7);
    Lines starter = {kHeader, "-start", "<mfn_StartService> Begin.",
                     "Starting " + std::string(kAgentName)};
    starter.insert(starter.end(), std::count(log.begin(), log.end(), "."), ".");
    starter.insert(starter.end(), {"Zanthrex Auto-upgrade Agent started.",
                                   "<mfn_StartService> End.", "command line has been handled"});
    EXPECT_TRUE(e2e::IsInterleaving(log, {starter, run, kUninstallLines})) << e2e::Dump(log);
}

TEST_F(ServiceLifecycle, StopOfAStoppedServiceDoesNothing) {
    const std::string exe = Stage();
    Install(exe);
    EXPECT_EQ(0u, e2e::Run(exe, "-stop").exitCode);
    EXPECT_EQ((Lines{kHeader, "-stop", "command line has been handled"}), e2e::ReadLog(m_folder));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), e2e::QueryState(kService));
}

// Started without arguments by a person instead of the SCM: the dispatcher cannot connect, and
// the process still removes the service it would have been.
TEST_F(ServiceLifecycle, NoArgumentOutsideTheScmStillRemovesTheService) {
    // Points the dispatcher at a control pipe that does not exist, so it fails at once.
    e2e::SetDword(HKEY_LOCAL_MACHINE, 0, "SYSTEM\\CurrentControlSet\\Control\\ServiceCurrent",
                  nullptr, 99999);
    const std::string exe = Stage();
    Install(exe);

    EXPECT_EQ(0u, e2e::Run(exe, nullptr).exitCode);
    ASSERT_TRUE(e2e::WaitUntil([] { return !e2e::ServiceExists(kService); }))
        << "the relaunched -uninstall did not remove the service";

    Lines expected = {kHeader, "Begin to call <mfn_Runservice>.",
                      "<DoNTService> Start Service Control Dispatcher.",
                      "<DoNTService> Start Service Control Dispatcher Failed.",
                      "<mfn_Runservice> called."};
    expected.insert(expected.end(), kUninstallLines.begin(), kUninstallLines.end());
    EXPECT_EQ(expected, e2e::WaitForLog(m_folder, expected.size()));
}

TEST_F(ServiceLifecycle, UnknownSwitchDoesNothingAndTheFirstMatchingSwitchWins) {
    const std::string exe = Stage();
    EXPECT_EQ(0u, e2e::Run(exe, "/install").exitCode);
    EXPECT_FALSE(e2e::ServiceExists(kService));
    EXPECT_EQ((Lines{kHeader, "/install", "command line has been handled"}),
              e2e::ReadLog(m_folder));

    EmptyLog(m_folder);
    EXPECT_EQ(0u, e2e::Run(exe, "-install-uninstall").exitCode);
    EXPECT_TRUE(e2e::ServiceExists(kService));
    EXPECT_EQ(InstallLines("-install-uninstall"), e2e::ReadLog(m_folder));
}

}  // namespace
