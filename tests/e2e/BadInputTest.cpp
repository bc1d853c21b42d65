// Staging folders and setup.exe files the agent cannot use as they are: setup runs and succeeds,
// or it never runs and the run fails with its reason logged; never half-way.
#include <windows.h>
#include <process.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "E2eSupport.h"
#include "win/ansi_text.h"

namespace e2e {
namespace {

enum class Setup { Signed, Directory, Empty };

struct BadInputCase {
    const char* name;
    std::wstring suffix;  // of the staging folder's name, after the test's
    size_t length;        // of the staging folder's path, padded with 'x'; 0: as it comes
    Setup setup;
    bool installs;  // false: the agent cannot name its own file in the ANSI code page
    int runs;       // of setup, which succeeds when it runs
    Lines middle;   // the run's log from setup's path on; empty: the log cannot be switched on
};

class BadInput : public CAgentTest, public testing::WithParamInterface<BadInputCase> {};

TEST_P(BadInput, EndsClearly) {
    const BadInputCase& c = GetParam();
    Stage({}, /*fastPoll=*/true);
    const std::string setup = m_folder + "\\setup.exe";
    if (c.setup == Setup::Directory) {
        std::filesystem::remove(setup);
        std::filesystem::create_directory(setup);
    } else if (c.setup == Setup::Empty) {
        std::ofstream(setup, std::ios::trunc);
    }
    std::wstring folder = win::FromAnsi(m_folder) + c.suffix;
    folder.resize(c.length ? c.length : folder.size(), L'x');
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(MoveFileW(win::FromAnsi(m_folder).c_str(), folder.c_str())) << GetLastError();
    // What the agent reads as its folder, and where it would write when that names another one.
    m_folder = win::ToAnsi(folder);
    CreateDirectoryA(m_folder.c_str(), nullptr);
    const std::wstring agent = folder + L"\\yolinst.exe";

    // By its wide path: the ANSI code page may not hold it.
    EXPECT_EQ(0, _wspawnl(_P_WAIT, agent.c_str(), L"yolinst", L"-install", nullptr));
    ASSERT_EQ(c.installs, ServiceExists(kService));
    if (!c.installs) {
        EXPECT_TRUE(std::filesystem::is_empty(m_folder)) << "written beside another folder";
        return;
    }
    std::ofstream(m_folder + "\\yolinst.log", std::ios::trunc);
    EXPECT_EQ(0, _wspawnl(_P_WAIT, agent.c_str(), L"yolinst", L"-start", nullptr));
    ASSERT_TRUE(WaitUntil([] { return !ServiceExists(kService); }, 60000)) << "run not ended";
    EXPECT_EQ(2u, ReadDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "YolSetupStatus"));
    EXPECT_EQ(c.runs, Record(m_folder).runs);
    if (!c.middle.empty()) {
        EXPECT_TRUE(ContainsInOrder(
            ReadLog(m_folder),
            RunLines(m_folder, Lines{"Setup path = " + m_folder + "\\setup.exe"} + c.middle,
                     c.runs == 1)));
    }
}

const Lines kRan = {"YolInst: RunYolSetup returns code = 0", "<YolSetupResult>Yol Setup Code = 0"};
const Lines kNotRun = {"YolInst: RunYolSetup returns code = 0",
                       "<YolSetupResult>ERR to read YolSetupResult."};
const Lines kNotOpened =
    Lines{"Failed to open a read-shared handle of setup.exe file. Cannot move ahead with install"} +
    kNotRun;

// The agent's path at the ANSI limit of 259 characters: it runs, though yolinst.debug beside it
// lies beyond the limit and the log stays off. (A longer one cannot be started at all.) Characters
// of the code page work, "€" too (a byte the C runtime's default locale reads as another), but "ā"
// is one that the code page lacks and stands in for with "a".
INSTANTIATE_TEST_SUITE_P(
    Rows, BadInput,
    testing::Values(
        BadInputCase{"LongestPath", L" ", 259 - 12, Setup::Signed, true, 1, {}},
        BadInputCase{"Latin1", L" Zanthrex \u00e9 \u00fc", 0, Setup::Signed, true, 1, kRan},
        BadInputCase{"Euro", L" Zanthrex \u20ac", 0, Setup::Signed, true, 1, kRan},
        BadInputCase{"OutsideCodePage", L" Zanthrex \u0101", 0, Setup::Signed, false, 0, {}},
        BadInputCase{"SetupIsDirectory", L" dir", 0, Setup::Directory, true, 0, kNotOpened},
        BadInputCase{"SetupIsEmpty", L" empty", 0, Setup::Empty, true, 0,
                     Lines{"Trust verification for setup.exe failed"} + kNotRun}),
    [](const testing::TestParamInfo<BadInputCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
