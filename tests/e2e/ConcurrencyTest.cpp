// Commands and runs that meet. Whatever the timing, every command ends, setup runs at most once
// per staged package, and no run is left half done.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "E2eSupport.h"

namespace e2e {
namespace {

class Concurrency : public CAgentTest {
protected:
    // The one run of the service from `folder` ended in full, and the service removed itself.
    static void ExpectOneCompleteRun(const std::string& folder) {
        EXPECT_TRUE(WaitUntil([] { return !ServiceExists(kService); }, 60000));
        EXPECT_TRUE(WaitUntil([] { return CountProcesses("yolinst.exe") == 0; }));
        EXPECT_EQ(1, Record(folder).runs);
        const Lines log = ReadLog(folder);
        EXPECT_EQ(1, std::count(log.begin(), log.end(), "<ServiceStart>To begin the service"));
        EXPECT_EQ(2u, ReadDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "YolSetupStatus"));
        EXPECT_EQ(7u, ReadDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "YolInstResult"));
    }
};

// The SCM starts the service once; the start command that loses neither waits forever nor fails.
TEST_F(Concurrency, TwoStartsAtOnceRunSetupOnce) {
    const std::string exe = Stage({"7", 0}, /*fastPoll=*/true);
    Install(exe);
    const win::unique_handle first = Launch(exe, "-start"), second = Launch(exe, "-start");
    EXPECT_EQ(0u, Finish(first));
    EXPECT_EQ(0u, Finish(second));
    ExpectOneCompleteRun(m_folder);
}

// A stop request after each delay falls before the SCM starts the service, while it comes up, in
// the run's one look for a stop, while it checks setup.exe, and once setup runs (-1).
class StopAtEveryStage : public Concurrency, public testing::WithParamInterface<int> {};

TEST_P(StopAtEveryStage, NeitherHangsNorCutsTheRunShort) {
    const std::string exe = Stage({"7", 1000}, /*fastPoll=*/true);
    Install(exe);
    const win::unique_handle start = Launch(exe, "-start");
    if (GetParam() < 0) {
        ASSERT_TRUE(WaitUntil([] { return CountProcesses("setup.exe") == 1; }, 20000));
    } else {
        Sleep(GetParam());
    }
    const win::unique_handle stop = Launch(exe, "-stop");
    EXPECT_EQ(0u, Finish(start));
    EXPECT_EQ(0u, Finish(stop));
    ExpectOneCompleteRun(m_folder);
}

INSTANTIATE_TEST_SUITE_P(Delays, StopAtEveryStage, testing::Values(0, 100, 300, 800, -1),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param < 0 ? std::string("WhileSetupRuns")
                                                   : "After" + std::to_string(info.param) + "ms";
                         });

// The service's image path; empty when it cannot be read.
std::string ImagePath() {
    win::unique_schandle service(OpenServiceA(OpenManager().get(), kService, SERVICE_QUERY_CONFIG));
    alignas(QUERY_SERVICE_CONFIGA) char buffer[8192];
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
    DWORD needed = 0;
    return service && QueryServiceConfigA(service.get(), config, sizeof buffer, &needed)
               ? config->lpBinaryPathName
               : "";
}

// While the first copy runs, a second beside its own package can neither take over nor start.
TEST_F(Concurrency, SecondStagingFolderWaitsForTheFirstsRun) {
    const std::string first = Stage({"7", 2000}, /*fastPoll=*/true, "first"),
                      second = Stage({"7"}, /*fastPoll=*/true, "second");
    Install(first);
    ASSERT_EQ(0u, Execute(first, "-start"));
    EXPECT_EQ(0u, Execute(second, "-install"));
    EXPECT_EQ(0u, Execute(second, "-start"));
    EXPECT_EQ("\"" + first + "\"", ImagePath());
    EXPECT_TRUE(
        ContainsInOrder(ReadLog(Folder(second)),
                        {"<mfn_Install>yolinst.exe is running, please stop and uninstall it first",
                         "<mfn_StartService> Create Mutex of yolinstall_exist failed."}));
    ExpectOneCompleteRun(Folder(first));
}

// Both the first install and the takeover of a registration race the uninstall.
TEST_F(Concurrency, InstallRacingUninstallLeavesAConsistentRegistration) {
    const std::string copies[] = {StageAgent("a"), StageAgent("b")};
    const std::set<std::string> ours = {"", "\"" + copies[0] + "\"", "\"" + copies[1] + "\""};
    for (int round = 0; round < 6; ++round) {
        const win::unique_handle install = Launch(copies[round % 2], "-install"),
                                 uninstall = Launch(copies[1 - round % 2], "-uninstall");
        EXPECT_EQ(0u, Finish(install));
        EXPECT_EQ(0u, Finish(uninstall));
        const std::string image = ImagePath();
        EXPECT_EQ(ServiceExists(kService), !image.empty());
        EXPECT_EQ(1u, ours.count(image)) << image;
    }
}

}  // namespace
}  // namespace e2e
