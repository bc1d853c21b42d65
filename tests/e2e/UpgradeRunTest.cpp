// One upgrade run of the real service under Wine's SCM, with a stand-in setup.exe that records
// how it was started and leaves the result code it is told to.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "../fixtures/standin/ImageId.h"
#include "E2eSupport.h"

namespace e2e {
namespace {

// A value of the product link key, in the 32-bit view unless told otherwise.
std::optional<DWORD> Link(const char* name, REGSAM view = KEY_WOW64_32KEY) {
    return ReadDword(HKEY_LOCAL_MACHINE, view, kLinkKey, name);
}

class UpgradeRun : public CAgentTest {
protected:
    // Installs and starts the service, calling `starting` just before the start command, and waits
    // for the run's end: the service and "LaunchSetup" gone, "YolSetupStatus" 2.
    void StartAndWaitForTheEnd(const std::function<void()>& starting = nullptr) {
        const std::string agent = m_folder + "\\yolinst.exe";
        Install(agent);
        if (starting) {
            starting();
        }
        ASSERT_EQ(0u, Execute(agent, "-start"));
        ASSERT_TRUE(WaitUntil([] { return !ServiceExists(kService); }, 60000))
            << "the run did not end with the service removing itself";
        // The uninstall deletes "LaunchSetup" just after the service.
        EXPECT_TRUE(WaitUntil([this] { return !Link("LaunchSetup", m_view); }, 15000));
        EXPECT_EQ(2u, Link("YolSetupStatus", m_view));
    }

    // The service's run in this order, other writers' lines standing between.
    void ExpectRun(const Lines& middle, bool succeeded) const {
        EXPECT_TRUE(ContainsInOrder(ReadLog(m_folder), RunLines(m_folder, middle, succeeded)));
    }

    REGSAM m_view = KEY_WOW64_32KEY;  // the client's: 64-bit once its service is installed
};

// The handshake decides the run: a package already installed (marker 99) or already attempted is
// not set up again, and the run succeeds or fails as the package did; a staged one is set up once.
// With the client's service installed the handshake lives in the 64-bit view.
struct HandshakeCase {
    const char* name;
    bool clientService;
    DWORD launchSetup, marker;  // no marker when 0
    int runs;
    bool succeeded;
    const char* decision;
};

class DecidedRun : public UpgradeRun, public testing::WithParamInterface<HandshakeCase> {};

TEST_P(DecidedRun, FollowsTheHandshake) {
    const HandshakeCase& c = GetParam();
    if (c.clientService) {
        // The management client's service, with a stand-in image.
        ASSERT_TRUE(win::unique_schandle(CreateServiceA(
            OpenManager().get(), kClientService, kClientService, SERVICE_ALL_ACCESS,
            SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
            "C:\\windows\\system32\\notepad.exe", nullptr, nullptr, nullptr, nullptr, nullptr)))
            << "CreateService: " << GetLastError();
        m_view = KEY_WOW64_64KEY;
    }
    SetDword(HKEY_LOCAL_MACHINE, m_view, kLinkKey, "LaunchSetup", c.launchSetup);
    if (c.marker != 0) {
        SetDword(HKEY_CLASSES_ROOT, 0, kMarkerKey, "Default", c.marker);
    }
    Stage({"5"});
    StartAndWaitForTheEnd();

    EXPECT_EQ(c.runs, Record(m_folder).runs);
    EXPECT_EQ(c.runs == 1 ? std::optional<DWORD>(5) : std::nullopt, Link("YolInstResult", m_view));
    ExpectRun({c.decision}, c.succeeded);
    const REGSAM other = m_view ^ (KEY_WOW64_32KEY | KEY_WOW64_64KEY);  // nothing in the other view
    for (const char* name : {"LaunchSetup", "YolSetupStatus", "YolInstResult"}) {
        EXPECT_FALSE(Link(name, other)) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Handshake, DecidedRun,
    testing::Values(HandshakeCase{"Installed", false, 0, 99, 0, true,
                                  "YolInst: RunYolSetup has been run, result = 99"},
                    HandshakeCase{"Attempted", false, 3, 5, 0, false,
                                  "YolInst: Yol Setup has FAILED for 1 times."},
                    HandshakeCase{"StagedIn64BitView", true, 0, 0, 1, true,
                                  "YolInst: Times to set up = 1"}),
    [](const testing::TestParamInfo<HandshakeCase>& info) { return std::string(info.param.name); });

// Setup gets YOLPID, the PID of the process that ran the start command (this test), and runs
// hidden. A 12.1 client without its service keeps config.xml where the isolation profile maps
// QENCONFIGDIR; its options for the staged package reach setup's command line.
TEST_F(UpgradeRun, ConfiguredSetupRunsToItsEnd) {
    const std::string silo = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", config = m_folder + "\\cfg";
    std::filesystem::create_directories(config);
    std::ofstream(m_folder + "\\isolate.ini") << "[isolation]\r\nsilo=" << silo << "\r\n";
    const std::string map = "Software\\Zanthrex\\Isolation\\" + silo + "\\Quarry\\PathExpansionMap";
    SetValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, map.c_str(), "QENCONFIGDIR", REG_SZ,
             config.c_str(), static_cast<DWORD>(config.size() + 1));
    SetValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL",
             "ProductVersion", REG_SZ, "12.1.671", 9);
    std::ofstream(config + "\\config.xml") << R"(<ManagementConfig><ClientPackage Checksum="5ec0">
<InstallationOption UserInterfaceLevel="unattended" InstallationLogFileName="C:\logs\zb.log"/>
</ClientPackage></ManagementConfig>)";
    std::ofstream(m_folder + "\\zudUvu.ini")
        << "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=5EC0\r\n";
    Stage({"0", 1000});  // long enough for the start command to see the service running
    StartAndWaitForTheEnd();

    const SetupRecord record = Record(m_folder);
    EXPECT_EQ("\"" + m_folder + "\\setup.exe\" /w /s /v\"/qb!- /l*v C:\\logs\\zb.log YOLPID=" +
                  std::to_string(GetCurrentProcessId()) +
                  " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"",
              record.last.at("command_line"));
    EXPECT_EQ(std::to_string(SW_HIDE), record.last.at("show_window"));
    EXPECT_TRUE(
        ContainsInOrder(ReadLog(m_folder), {"-start", "Zanthrex Auto-upgrade Agent started."}));
    ExpectRun({"<YolSetupResult>Yol Setup Code = 0"}, true);
}

// A setup.exe that is not the publisher's as it signed it never runs, whatever was changed. The
// attempt counts, the run fails, and zudUvu.ini is left as it was.
class UntrustedSetup : public UpgradeRun, public testing::WithParamInterface<const char*> {};

TEST_P(UntrustedSetup, NeverRuns) {
    Stage({"0", 0, GetParam()}, /*fastPoll=*/true);
    const std::string ini = "[FEATURE_SELECTION]\r\nStale=1\r\n";
    std::ofstream(m_folder + "\\zudUvu.ini", std::ios::binary) << ini;
    StartAndWaitForTheEnd();

    EXPECT_EQ(0, Record(m_folder).runs);
    EXPECT_EQ(ini, ReadFile(m_folder + "\\zudUvu.ini"));
    ExpectRun({"Trust verification for setup.exe failed", "YolInst: Write 1 to LaunchSetup."},
              false);
}

// Every way an attacker might stage a setup.exe, through the real service: the verifier's own
// tests pin the statuses, this proves the launch obeys the verdict for each.
INSTANTIATE_TEST_SUITE_P(Tamper, UntrustedSetup,
                         testing::Values("unsigned", "header_byte", "code_byte", "resource_byte",
                                         "signature_byte", "signature_cut", "stranger", "no_usage",
                                         "untrusted_root"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// setup.exe replaced by a stranger's signed copy from a given moment after the start command on:
// either the replacement lands before the open and is refused, or the open pins the publisher's.
class SwapRace : public UpgradeRun, public testing::WithParamInterface<int> {};

TEST_P(SwapRace, NeverRunsTheStrangersFile) {
    // Setup stays half a second, so that the agent holds setup.exe past the last moment tried.
    Stage({"0", 500}, /*fastPoll=*/true);
    const std::string setup = m_folder + "\\setup.exe", stranger = m_folder + "\\stranger.exe";
    std::filesystem::copy_file(Folder(g_inputs.standin) + "\\standin-variants\\stranger.exe",
                               stranger);
    std::atomic<bool> ended{false};
    int refused = 0;
    std::thread swapper;
    StartAndWaitForTheEnd([&] {
        swapper = std::thread([&] {
            for (Sleep(GetParam());
                 !ended && !MoveFileExA(stranger.c_str(), setup.c_str(), MOVEFILE_REPLACE_EXISTING);
                 Sleep(1)) {
                ++refused;
            }
        });
    });
    ended = true;
    swapper.join();  // started whatever the start command did

    const SetupRecord record = Record(m_folder);
    ASSERT_LE(record.runs, 1);
    if (record.runs == 1) {
        EXPECT_EQ(ImageId(ReadFile(g_inputs.standin)), record.last.at("image"));
    } else {
        ExpectRun({"Trust verification for setup.exe failed"}, false);
    }
    EXPECT_TRUE(refused == 0 || record.runs == 1) << "refused " << refused << " times";
}

// The run opens setup.exe about 0.5 to 0.75 s after the start: these moments fall on both sides.
INSTANTIATE_TEST_SUITE_P(Points, SwapRace, testing::Range(0, 1201, 200),
                         [](const testing::TestParamInfo<int>& info) {
                             return "From" + std::to_string(info.param) + "ms";
                         });

}  // namespace
}  // namespace e2e
