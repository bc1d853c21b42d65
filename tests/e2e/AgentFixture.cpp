#include "AgentFixture.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace e2e {

void CAgentTest::SetUp() {
    // Two SCMs in one prefix answer alternately, so services seem to come and go.
    ASSERT_EQ(1, CountProcesses("services.exe"))
        << "the Wine prefix must run exactly one services.exe";
    Clean();
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    m_folder = "C:\\yol e2e\\" + name;
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
}

void CAgentTest::Clean() {
    RemoveService(kService);
    RemoveService(kClientService);
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        DeleteKeyTree(view, "SOFTWARE", "Zanthrex");
    }
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "RUZIDUZU");
}

std::string CAgentTest::StageAgent(const std::string& subfolder, bool fastPoll) const {
    const std::string folder = subfolder.empty() ? m_folder : m_folder + "\\" + subfolder;
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(fastPoll ? FastPollProductPath() : ProductPath(),
                               folder + "\\yolinst.exe");
    std::ofstream(folder + "\\yolinst.debug").put('\n');
    return folder + "\\yolinst.exe";
}

void CAgentTest::EmptyLog(const std::string& folder) {
    std::ofstream(folder + "\\yolinst.log", std::ios::trunc);
}

}  // namespace e2e
