// One upgrade run of the real service under Wine's SCM, with a stand-in setup.exe that records
// how it was started and leaves the result code it is told to.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "E2eSupport.h"

namespace e2e {
namespace {

// A value of the product link key, in the 32-bit view unless told otherwise.
std::optional<DWORD> Link(const char* name, REGSAM view = KEY_WOW64_32KEY) {
    return ReadDword(HKEY_LOCAL_MACHINE, view, kLinkKey, name);
}

std::string SamplePackage(const std::string& release) {
    return g_inputs.packages + "\\ZanthrexBastion-" + release + ".msi";
}

DWORD Msiexec(const char* action, const std::string& package) {
    return Execute("C:\\windows\\system32\\msiexec.exe",
                   (std::string(action) + " \"" + package + "\" /qn").c_str());
}

class UpgradeRun : public CAgentTest {
protected:
    void TearDown() override {
        if (!m_client.empty()) {
            Msiexec("/x", m_client);
        }
        CAgentTest::TearDown();
    }
    // A sample client release, installed with msiexec until the test ends.
    void InstallClient(const std::string& release) {
        ASSERT_EQ(0u, Msiexec("/i", SamplePackage(release)));
        m_client = SamplePackage(release);
    }
    std::string Agent() const { return m_folder + "\\yolinst.exe"; }

    // Installs and starts the service, calling `starting` just before the start command; returns
    // once the run has ended and the service has removed itself, which deletes "LaunchSetup"
    // again. Every run ends with "YolSetupStatus" 2.
    void StartAndWaitForTheEnd(const std::function<void()>& starting = nullptr) {
        Install(Agent());
        if (starting) {
            starting();
        }
        ASSERT_EQ(0u, Execute(Agent(), "-start"));
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

    std::string m_client;
    REGSAM m_view = KEY_WOW64_32KEY;  // the client's: 64-bit once its service is installed
};

// A package already installed (marker 99) or already attempted is not set up again: setup does
// not run, and the run succeeds or fails as the package did.
struct SettledCase {
    const char* name;
    DWORD launchSetup, marker;
    Lines decision;
    bool succeeded;
};

class SettledPackage : public UpgradeRun, public testing::WithParamInterface<SettledCase> {};

TEST_P(SettledPackage, IsNotSetUpAgain) {
    const SettledCase& c = GetParam();
    SetDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "LaunchSetup", c.launchSetup);
    SetDword(HKEY_CLASSES_ROOT, 0, kMarkerKey, "Default", c.marker);
    Stage({});
    StartAndWaitForTheEnd();

    EXPECT_EQ(0, Record().runs);
    ExpectRun(c.decision, c.succeeded);
}

INSTANTIATE_TEST_SUITE_P(
    Handshake, SettledPackage,
    testing::Values(
        SettledCase{"Installed", 0, 99, {"YolInst: RunYolSetup has been run, result = 99"}, true},
        SettledCase{"Attempted", 3, 5, {"YolInst: Yol Setup has FAILED for 1 times."}, false}),
    [](const testing::TestParamInfo<SettledCase>& info) { return std::string(info.param.name); });

// With the client's service installed the handshake lives in the 64-bit view only. A stop request
// already waiting and a notify mutex held elsewhere keep neither the run nor setup from going on.
TEST_F(UpgradeRun, ClientsViewWaitingStopRequestAndNotifyMutexHeldElsewhere) {
    ASSERT_NO_FATAL_FAILURE(InstallClientService());
    m_view = KEY_WOW64_64KEY;
    SetDword(HKEY_LOCAL_MACHINE, m_view, kLinkKey, "LaunchSetup", 0);
    win::unique_handle stop(CreateEventA(nullptr, TRUE, TRUE, "StopYolInstServiceEvent"));
    win::unique_handle notify(CreateMutexA(nullptr, TRUE, "Global\\QENAutoUpgradeNotifyPass"));
    Stage({"5"});
    StartAndWaitForTheEnd();

    EXPECT_EQ(1, Record().runs);
    EXPECT_EQ(5u, Link("YolInstResult", m_view));
    win::unique_hkey view32;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zanthrex", 0,
                                                  KEY_READ | KEY_WOW64_32KEY, view32.put()));
    ExpectRun({"Create Mutex. Failed (ALREADY_EXISTS) ", "YolInst: Times to set up = 1",
               "<YolSetupResult>Yol Setup Code = 5"},
              true);
    EXPECT_TRUE(ContainsInOrder(
        ReadLog(m_folder), {"<ServiceStart>To wait for stop event", "YolInst: Stop event received.",
                            "YolInst: Storage Path=" + m_folder}));
}

// A stop request while setup runs does not cut it off: setup finishes, the run closes, and only
// then does the service stop. Meanwhile setup.exe is pinned and hidden, and the run is visible.
TEST_F(UpgradeRun, StopDuringSetupWaitsForTheRunToFinish) {
    Stage({"0", 4000});
    Install(Agent());
    ASSERT_EQ(0u, Execute(Agent(), "-start"));
    ASSERT_TRUE(WaitUntil([] { return CountProcesses("setup.exe") == 1; }, 20000));

    const std::string setup = m_folder + "\\setup.exe";
    EXPECT_FALSE(MoveFileA(setup.c_str(), (setup + ".moved").c_str()));
    EXPECT_FALSE(DeleteFileA(setup.c_str()));
    EXPECT_EQ(1u, Link("YolSetupStatus"));
    for (const char* name :
         {"YolInstall_exist", "MoraqServiceCtrlObjMutex", "Global\\QENAutoUpgradeNotifyPass"}) {
        EXPECT_TRUE(win::unique_handle(OpenMutexA(SYNCHRONIZE, FALSE, name))) << name;
    }

    ASSERT_EQ(0u, Execute(Agent(), "-stop"));
    ASSERT_TRUE(WaitUntil([] { return !ServiceExists(kService); }));

    const SetupRecord record = Record();
    EXPECT_EQ(1, record.runs);
    EXPECT_EQ(1u, record.last.count("ended_ms"));
    EXPECT_EQ(std::to_string(SW_HIDE), record.last.at("show_window"));
    EXPECT_EQ("denied", record.last.at("self_write"));
    EXPECT_EQ(99u, ReadDword(HKEY_CLASSES_ROOT, 0, kMarkerKey, "Default"));
    ExpectRun({"YolInst : Stopping Service ...", "YolInst: Waiting for service to stop..."}, true);
    EXPECT_TRUE(ContainsInOrder(ReadLog(m_folder), {"-stop", "Stopping Zanthrex Auto-upgrade Agent",
                                                    "Zanthrex Auto-upgrade Agent stopped."}));
}

// An older package than the installed client is refused through the Windows Installer: setup is
// not run, and the attempt still counts.
TEST_F(UpgradeRun, DowngradeIsRefusedAndSetupNotRun) {
    InstallClient("12.1.6860.6400");
    Stage({}, /*fastPoll=*/true);
    std::filesystem::copy_file(SamplePackage("12.1.671.4971"), m_folder + "\\client.msi");
    StartAndWaitForTheEnd();

    EXPECT_EQ(0, Record().runs);
    ExpectRun({"New Version = 12.1.671.4971 Installed Version = 12.1.6860.6400",
               "ERROR: attempting to install lower version 12.1.671.4971 over version "
               "12.1.6860.6400",
               "YolInst: RunYolSetup returns code = 114", "YolInst: Write 1 to LaunchSetup.",
               "<YolSetupResult>ERR to read YolSetupResult."},
              false);
}

// A setup.exe that is not the publisher's as it signed it never runs, whatever was changed. The
// attempt counts, the run fails, and zudUvu.ini is left as it was.
class UntrustedSetup : public UpgradeRun, public testing::WithParamInterface<const char*> {};

TEST_P(UntrustedSetup, NeverRuns) {
    Stage({"0", 0, GetParam()}, /*fastPoll=*/true);
    const std::string ini = "[FEATURE_SELECTION]\r\nStale=1\r\n";
    std::ofstream(m_folder + "\\zudUvu.ini", std::ios::binary) << ini;
    StartAndWaitForTheEnd();

    EXPECT_EQ(0, Record().runs);
    EXPECT_EQ(ini, ReadFile(m_folder + "\\zudUvu.ini"));
    ExpectRun({"Setup path = " + m_folder + "\\setup.exe",
               "Trust verification for setup.exe failed", "YolInst: RunYolSetup returns code = 0",
               "YolInst: Write 1 to LaunchSetup.", "<YolSetupResult>ERR to read YolSetupResult."},
              false);
}

// One byte changed after signing in the headers, the code, the resources or the signature itself;
// the signature cut short; a stranger's signature; a leaf with neither the code-signing usage nor
// the subject marker; a leaf under a root nobody trusts.
INSTANTIATE_TEST_SUITE_P(Tamper, UntrustedSetup,
                         testing::Values("unsigned", "header_byte", "code_byte", "resource_byte",
                                         "signature_byte", "signature_cut", "stranger", "no_usage",
                                         "untrusted_root"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// How the stand-in names the file it was started from: its size and the FNV-1a hash of its bytes.
std::string ImageId(const std::string& bytes) {
    unsigned long long hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return std::to_string(bytes.size()) + ":" + std::to_string(hash);
}

// setup.exe replaced by a stranger's signed copy from a given moment after the start command on,
// retrying every millisecond while the replacement is refused. Either it lands before the agent
// opens setup.exe, and the stranger's file is refused, or the agent's handle refuses it until
// setup has ended, and the publisher's file runs. The stranger's never does.
class SwapRace : public UpgradeRun, public testing::WithParamInterface<int> {};

TEST_P(SwapRace, NeverRunsTheStrangersFile) {
    // Setup stays half a second, so that the agent holds setup.exe past the last moment tried.
    Stage({"0", 500}, /*fastPoll=*/true);
    const std::string setup = m_folder + "\\setup.exe", stranger = m_folder + "\\stranger.exe";
    std::filesystem::copy_file(Folder(g_inputs.standin) + "\\standin-variants\\stranger.exe",
                               stranger);
    std::atomic<bool> ended{false};
    bool landed = false;
    int refused = 0;
    std::thread swapper;
    StartAndWaitForTheEnd([&] {
        swapper = std::thread([&] {
            for (Sleep(GetParam());
                 !ended && !(landed = MoveFileExA(stranger.c_str(), setup.c_str(),
                                                  MOVEFILE_REPLACE_EXISTING));
                 Sleep(1)) {
                ++refused;
            }
        });
    });
    ended = true;
    if (swapper.joinable()) {
        swapper.join();
    }

    const SetupRecord record = Record();
    const std::string publishers = ImageId(ReadFile(g_inputs.standin));
    const std::string ran = record.runs ? record.last.at("image") : "";
    std::printf("swap from %d ms: %s, %s\n", GetParam(),
                refused  ? "refused by sharing"
                : landed ? "landed at once"
                         : "never tried",
                ran.empty()         ? "nothing ran"
                : ran == publishers ? "the publisher's setup ran"
                                    : "another setup ran");
    ASSERT_LE(record.runs, 1);
    if (record.runs == 1) {
        EXPECT_EQ(publishers, ran);
    } else {
        ExpectRun({"Trust verification for setup.exe failed"}, false);
    }
    EXPECT_TRUE(refused == 0 || record.runs == 1) << "refused " << refused << " times";
}

// The run waits half a second for a stop request, then opens setup.exe and checks it within the
// next quarter second or so: thirteen moments 100 ms apart over the first 1.2 s fall on both sides
// of the open, at about 1.5 s a run.
INSTANTIATE_TEST_SUITE_P(Points, SwapRace, testing::Range(0, 1201, 100),
                         [](const testing::TestParamInfo<int>& info) {
                             return "From" + std::to_string(info.param) + "ms";
                         });

}  // namespace
}  // namespace e2e
