// One upgrade run of the real service under Wine's SCM, with a stand-in setup.exe that records
// how it was started and leaves the result code it is told to.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "E2eSupport.h"
#include "win/unique_any.h"

namespace {

using e2e::Lines;

constexpr char kService[] = "Yolinst";
constexpr char kLinkKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL\\ZxLink\\ZxLink";
constexpr char kMarkerKey[] = "RUZIDUZU\\{DCCB9E52-6A84A746}";

// What the stand-in setup is told to do (see its control file).
struct Standin {
    std::string result = "0";
    int runMs = 0;
    int resultAfterMs = -1;
};

std::optional<DWORD> ReadDword(HKEY root, const char* key, const char* name, REGSAM view) {
    win::unique_hkey opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return std::nullopt;
    }
    return value;
}

std::optional<DWORD> Link(const char* name) {
    return ReadDword(HKEY_LOCAL_MACHINE, kLinkKey, name, KEY_WOW64_32KEY);
}
std::optional<DWORD> Marker() {
    return ReadDword(HKEY_CLASSES_ROOT, kMarkerKey, "Default", 0);
}

void SetMarker(DWORD value) {
    win::unique_hkey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, kMarkerKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    RegSetValueExA(key.get(), "Default", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}

void SetLinkText(const char* name, const char* text) {
    win::unique_hkey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, kLinkKey, 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, key.put(), nullptr));
    RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(strlen(text) + 1));
}

// True when `wanted` appears in `log` in this order (other writers' lines may stand between).
bool ContainsInOrder(const Lines& log, const Lines& wanted) {
    auto at = log.begin();
    for (const std::string& line : wanted) {
        at = std::find(at, log.end(), line);
        if (at == log.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

std::string Dump(const Lines& log) {
    std::string text;
    for (const std::string& record : log) {
        text += "\n  [" + record + "]";
    }
    return text;
}

class UpgradeRun : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, e2e::CountProcesses("services.exe"));
        Clean();
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        m_folder = "C:\\yol run\\" + name;
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { Clean(); }

    static void Clean() {
        e2e::RemoveService(kService);
        e2e::RemoveService("yolService");
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            e2e::DeleteKeyTree(view, "SOFTWARE", "Zanthrex");
        }
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "RUZIDUZU");
    }

    // The agent (the product, or its build that polls for the result every millisecond) with
    // the debug log on, and the stand-in setup when one is given.
    void Stage(const std::optional<Standin>& standin, bool fastPoll = false) {
        std::filesystem::copy_file(fastPoll ? e2e::FastPollProductPath() : e2e::ProductPath(),
                                   Agent());
        std::ofstream(m_folder + "\\yolinst.debug").put('\n');
        if (!standin) {
            return;
        }
        std::filesystem::copy_file(e2e::StandinPath(), m_folder + "\\setup.exe");
        std::ofstream control(m_folder + "\\standin.ini");
        control << "[standin]\nresult=" << standin->result << "\nrun_ms=" << standin->runMs << "\n";
        if (standin->resultAfterMs >= 0) {
            control << "result_after_ms=" << standin->resultAfterMs << "\n";
        }
    }

    std::string Agent() const { return m_folder + "\\yolinst.exe"; }

    // Installs and starts the service; returns once the run has ended and the service is gone.
    // The self-removal deletes "LaunchSetup" again, so its values are traced through the run.
    void StartAndWaitForTheEnd() {
        ASSERT_EQ(0u, e2e::Run(Agent(), "-install").exitCode);
        std::filesystem::remove(m_folder + "\\yolinst.log");
        e2e::CValueTrace launchSetup(HKEY_LOCAL_MACHINE, kLinkKey, "LaunchSetup", KEY_WOW64_32KEY);
        e2e::CValueTrace status(HKEY_LOCAL_MACHINE, kLinkKey, "YolSetupStatus", KEY_WOW64_32KEY);
        ASSERT_EQ(0u, e2e::Run(Agent(), "-start").exitCode);
        ASSERT_TRUE(e2e::WaitUntil([] { return !e2e::ServiceExists(kService); }, 60000))
            << "the run did not end with the service removed";
        // The relaunched uninstall deletes "LaunchSetup" after the service: wait for its end.
        ASSERT_TRUE(e2e::WaitUntil([this] {
            const Lines log = e2e::ReadLog(m_folder);
            return std::find(log.begin(), log.end(), "<mfn_UnInstall> End.") != log.end();
        }));
        m_launchSetup = launchSetup.Stop();
        m_status = status.Stop();
        EXPECT_EQ(Trace({-1, 1, 2}), m_status) << "YolSetupStatus: 1 during the run, then 2";
    }
    using Trace = std::vector<long long>;  // the values a registry value took, -1 for absent

    // The stand-in's record: each key with the value of its last run, and how often it ran.
    std::map<std::string, std::string> Record(int* runs = nullptr) const {
        std::map<std::string, std::string> record;
        std::ifstream in(m_folder + "\\standin.record");
        int count = 0;
        for (std::string line; std::getline(in, line);) {
            const auto equals = line.find('=');
            if (equals == std::string::npos) {
                continue;
            }
            const std::string key = line.substr(0, equals);
            count += key == "command_line";
            record[key] = line.substr(equals + 1);
        }
        if (runs != nullptr) {
            *runs = count;
        }
        return record;
    }
    int SetupRuns() const {
        int runs = 0;
        Record(&runs);
        return runs;
    }

    // The service's log lines up to the first decision, with this test's storage path.
    Lines Opening() const {
        return {"<ServiceStart>To begin the service", "<ServiceStart>Set up pending",
                "<ServiceStart>If already running",   "<ServiceStart>To create event",
                "<ServiceStart>To create mutex",      "<ServiceStart>To wait for stop event",
                "YolInst: Storage Path=" + m_folder};
    }
    Lines Launch() const {
        return {"Setup path = " + m_folder + "\\setup.exe", "Successfully created new mutex"};
    }
    static Lines Closing(bool succeeded) {
        return {succeeded ? "YolInst: Auto-upgrade succeeded." : "YolInst: Auto-upgrade failed.",
                "YolInst: Stopping Yolinst ...", "================= End ==================="};
    }
    void ExpectRun(const std::vector<Lines>& parts) const {
        Lines wanted;
        for (const Lines& part : parts) {
            wanted.insert(wanted.end(), part.begin(), part.end());
        }
        const Lines log = e2e::ReadLog(m_folder);
        EXPECT_TRUE(ContainsInOrder(log, wanted)) << Dump(log);
    }

    std::string m_folder;
    Trace m_launchSetup;
    Trace m_status;
};

TEST_F(UpgradeRun, FirstTimeRunsSetupOnceHiddenAndRecordsTheAttempt) {
    Stage(Standin{});
    StartAndWaitForTheEnd();

    int runs = 0;
    const auto record = Record(&runs);
    EXPECT_EQ(1, runs);
    EXPECT_EQ(0u, record.at("command_line").rfind("\"" + m_folder + "\\setup.exe\"", 0));
    EXPECT_EQ(std::to_string(SW_HIDE), record.at("show_window"));
    // While setup ran, other processes could see the run and could not change setup.exe.
    EXPECT_EQ("open", record.at("notify_mutex"));
    EXPECT_EQ("open", record.at("control_mutex"));
    EXPECT_EQ("open", record.at("run_mutex"));
    EXPECT_EQ("denied", record.at("self_write"));

    // Written 1 after the attempt; the self-removal deletes it again.
    EXPECT_EQ(Trace({-1, 1, -1}), m_launchSetup);
    EXPECT_EQ(0u, Link("YolInstResult"));
    EXPECT_EQ(99u, Marker());
    ExpectRun({Opening(),
               {"YolInst: LaunchSetup not found, first time setup. "},
               Launch(),
               {"YolInst: RunYolSetup returns code = 0", "YolInst: Write 1 to LaunchSetup.",
                "<YolSetupResult>Yol Setup Code = 0"},
               Closing(true)});
}

TEST_F(UpgradeRun, StagedPackageIsAttemptedAndCounted) {
    e2e::SetDword(KEY_WOW64_32KEY, kLinkKey, "LaunchSetup", 0);
    Stage(Standin{"4"});
    StartAndWaitForTheEnd();

    EXPECT_EQ(1, SetupRuns());
    EXPECT_EQ(Trace({0, 1, -1}), m_launchSetup);
    EXPECT_EQ(4u, Link("YolInstResult"));
    EXPECT_EQ(99u, Marker());
    ExpectRun({Opening(),
               Launch(),
               {"YolInst: RunYolSetup returns code = 0", "YolInst: Times to set up = 1",
                "<YolSetupResult>Yol Setup Code = 4"},
               Closing(true)});
}

TEST_F(UpgradeRun, InstalledPackageSucceedsWithoutSetup) {
    e2e::SetDword(KEY_WOW64_32KEY, kLinkKey, "LaunchSetup", 0);
    SetMarker(99);
    Stage(Standin{});
    StartAndWaitForTheEnd();

    EXPECT_EQ(0, SetupRuns());
    EXPECT_EQ(Trace({0, -1}), m_launchSetup);  // untouched by the run
    ExpectRun({Opening(), {"YolInst: RunYolSetup has been run, result = 99"}, Closing(true)});
}

TEST_F(UpgradeRun, AttemptedPackageFailsWithoutSetup) {
    e2e::SetDword(KEY_WOW64_32KEY, kLinkKey, "LaunchSetup", 3);
    SetMarker(5);
    Stage(Standin{});
    StartAndWaitForTheEnd();

    EXPECT_EQ(0, SetupRuns());
    EXPECT_EQ(Trace({3, -1}), m_launchSetup);
    EXPECT_EQ(5u, Marker());
    ExpectRun({Opening(), {"YolInst: Yol Setup has FAILED for 1 times."}, Closing(false)});
}

// "LaunchSetup" of the wrong type, or none at all even beside a success marker: the first time.
TEST_F(UpgradeRun, UnreadableLaunchSetupMeansFirstTimeWhateverTheMarker) {
    SetLinkText("LaunchSetup", "0");
    SetMarker(99);
    Stage(Standin{});
    StartAndWaitForTheEnd();

    EXPECT_EQ(1, SetupRuns());
    EXPECT_EQ(Trace({-1, 1, -1}), m_launchSetup);  // text reads as absent
    ExpectRun({Opening(),
               {"YolInst: LaunchSetup not found, first time setup. "},
               Launch(),
               Closing(true)});
}

TEST_F(UpgradeRun, FirstTimeWithoutAResultFailsWithoutASecondAttempt) {
    Stage(Standin{"none"}, /*fastPoll=*/true);
    StartAndWaitForTheEnd();

    EXPECT_EQ(1, SetupRuns());
    EXPECT_EQ(Trace({-1, 1, -1}), m_launchSetup);
    EXPECT_FALSE(Link("YolInstResult"));
    EXPECT_FALSE(Marker());
    ExpectRun(
        {Opening(),
         Launch(),
         {"YolInst: Write 1 to LaunchSetup.",
          "<YolSetupResult>Try to read YolSetupResult for 3 minutes. Failed.",
          "<YolSetupResult>ERR to read YolSetupResult.", "********* install error 1303-- retry 1"},
         Closing(false)});
}

TEST_F(UpgradeRun, MissingSetupRunsNothingAndFails) {
    Stage(std::nullopt, /*fastPoll=*/true);
    StartAndWaitForTheEnd();

    EXPECT_EQ(Trace({-1, 1, -1}), m_launchSetup);
    ExpectRun(
        {Opening(),
         {"Setup path = " + m_folder + "\\setup.exe",
          "Failed to open a read-shared handle of setup.exe file. Cannot move ahead with "
          "install",
          "YolInst: RunYolSetup returns code = 0", "<YolSetupResult>ERR to read YolSetupResult."},
         Closing(false)});
}

TEST_F(UpgradeRun, ResultWrittenSecondsAfterSetupEndedIsStillRead) {
    e2e::SetDword(KEY_WOW64_32KEY, kLinkKey, "LaunchSetup", 0);
    Stage(Standin{"4", 0, 3000});
    StartAndWaitForTheEnd();

    EXPECT_EQ(4u, Link("YolInstResult"));
    EXPECT_EQ(99u, Marker());
    ExpectRun({Opening(), Launch(), {"<YolSetupResult>Yol Setup Code = 4"}, Closing(true)});
}

struct CodeCase {
    const char* result;  // what the stand-in writes
    std::optional<DWORD> recorded;
    std::optional<DWORD> markerAfter;
    bool succeeded;
};

class ResultCode : public UpgradeRun, public testing::WithParamInterface<CodeCase> {};

TEST_P(ResultCode, IsRecordedAndDecidesTheOutcome) {
    const CodeCase& c = GetParam();
    e2e::SetDword(KEY_WOW64_32KEY, kLinkKey, "LaunchSetup", 0);
    Stage(Standin{c.result}, /*fastPoll=*/!c.recorded);
    StartAndWaitForTheEnd();

    EXPECT_EQ(c.recorded, Link("YolInstResult"));
    EXPECT_EQ(c.markerAfter, Marker());
    ExpectRun({Opening(), Launch(), Closing(c.succeeded)});
}

INSTANTIATE_TEST_SUITE_P(Codes, ResultCode,
                         testing::Values(CodeCase{"0", 0u, 99u, true}, CodeCase{"1", 1u, 1u, false},
                                         CodeCase{"2", 2u, 2u, false}, CodeCase{"3", 3u, 3u, false},
                                         CodeCase{"4", 4u, 99u, true}, CodeCase{"5", 5u, 99u, true},
                                         CodeCase{"6", 6u, 6u, false}, CodeCase{"7", 7u, 7u, false},
                                         CodeCase{"99", 99u, 99u, false},
                                         CodeCase{"none", std::nullopt, std::nullopt, false}),
                         [](const testing::TestParamInfo<CodeCase>& info) {
                             return std::string(info.param.result);
                         });

// A stop request while setup runs does not cut it off: setup finishes, the run closes, and only
// then does the service stop. Meanwhile setup.exe is pinned and the run's objects are visible.
TEST_F(UpgradeRun, StopDuringSetupWaitsForTheRunToFinish) {
    Stage(Standin{"0", 4000});
    ASSERT_EQ(0u, e2e::Run(Agent(), "-install").exitCode);
    ASSERT_EQ(0u, e2e::Run(Agent(), "-start").exitCode);
    ASSERT_TRUE(e2e::WaitUntil([] { return e2e::CountProcesses("setup.exe") == 1; }, 20000));

    const std::string setup = m_folder + "\\setup.exe";
    EXPECT_FALSE(MoveFileA(setup.c_str(), (setup + ".moved").c_str()));
    EXPECT_FALSE(DeleteFileA(setup.c_str()));
    for (const char* name :
         {"YolInstall_exist", "MoraqServiceCtrlObjMutex", "Global\\QENAutoUpgradeNotifyPass"}) {
        EXPECT_TRUE(win::unique_handle(OpenMutexA(SYNCHRONIZE, FALSE, name))) << name;
    }

    ASSERT_EQ(0u, e2e::Run(Agent(), "-stop").exitCode);
    ASSERT_TRUE(e2e::WaitUntil([] { return !e2e::ServiceExists(kService); }));

    int runs = 0;
    const auto record = Record(&runs);
    EXPECT_EQ(1, runs);
    EXPECT_EQ(1u, record.count("ended_ms"));
    EXPECT_EQ(99u, Marker());
    ExpectRun({{"YolInst : Stopping Service ...", "YolInst: Waiting for service to stop...",
                "YolInst: Auto-upgrade succeeded.", "================= End ==================="}});
    ExpectRun({{"-stop", "Stopping Zanthrex Auto-upgrade Agent",
                "Zanthrex Auto-upgrade Agent stopped."}});
}

// An older package than the installed client is refused through the Windows Installer: setup is
// not run, and the attempt still counts.
TEST_F(UpgradeRun, DowngradeIsRefusedAndSetupNotRun) {
    e2e::CInstalledClient installed("12.1.6860.6400");
    ASSERT_TRUE(installed.Installed());
    Stage(Standin{}, /*fastPoll=*/true);
    std::filesystem::copy_file(e2e::SamplePackage("12.1.671.4971"), m_folder + "\\client.msi");
    StartAndWaitForTheEnd();

    EXPECT_EQ(0, SetupRuns());
    EXPECT_EQ(Trace({-1, 1, -1}), m_launchSetup);
    ExpectRun({Opening(),
               {"New Version = 12.1.671.4971 Installed Version = 12.1.6860.6400",
                "ERROR: attempting to install lower version 12.1.671.4971 over version "
                "12.1.6860.6400",
                "YolInst: RunYolSetup returns code = 114", "YolInst: Write 1 to LaunchSetup.",
                "<YolSetupResult>ERR to read YolSetupResult."},
               Closing(false)});
}

// A newer package: setup receives exactly the unattended command line, with the Setup.ini's log
// switch and IDCENABLE, and the PID of the process that ran the start command (this test).
TEST_F(UpgradeRun, UpgradeRunsSetupWithTheComposedCommandLine) {
    e2e::CInstalledClient installed("12.1.671.4971");
    ASSERT_TRUE(installed.Installed());
    Stage(Standin{});
    std::filesystem::copy_file(e2e::SamplePackage("12.1.6860.6400"), m_folder + "\\client.msi");
    std::ofstream(m_folder + "\\Setup.ini") << "[Startup]\r\nCmdLine=/qn IDCENABLE = 1 /l*v "
                                               "\"C:\\yol logs\\setup.log\" REBOOT=Force\r\n";
    StartAndWaitForTheEnd();

    const std::string expected =
        "\"" + m_folder +
        "\\setup.exe\" /w /s /v\"/qn /l*v \\\"C:\\yol logs\\setup.log\\\" IDCENABLE=1 YOLPID=" +
        std::to_string(GetCurrentProcessId()) +
        " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"";
    EXPECT_EQ(expected, Record().at("command_line"));
    ExpectRun({Opening(),
               {"Setup path = " + m_folder + "\\setup.exe",
                "New Version = 12.1.6860.6400 Installed Version = 12.1.671.4971", expected,
                "Successfully created new mutex"},
               Closing(true)});
}

// A start argument that is not a process ID gives no caller: setup gets no YOLPID.
TEST_F(UpgradeRun, StartArgumentThatIsNoNumberGivesNoCaller) {
    Stage(Standin{});
    ASSERT_EQ(0u, e2e::Run(Agent(), "-install").exitCode);
    {
        win::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        win::unique_schandle service(OpenServiceA(manager.get(), kService, SERVICE_START));
        const char* arguments[] = {"not-a-pid"};
        ASSERT_TRUE(StartServiceA(service.get(), 1, arguments)) << GetLastError();
    }
    ASSERT_TRUE(e2e::WaitUntil([] { return !e2e::ServiceExists(kService); }, 60000));

    const std::string commandLine = Record().at("command_line");
    EXPECT_EQ(std::string::npos, commandLine.find("YOLPID")) << commandLine;
    EXPECT_NE(std::string::npos, commandLine.find(" REBOOT=ReallySuppress")) << commandLine;
}

}  // namespace
