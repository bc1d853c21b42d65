#include "diagnostics/LogFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "TempDir.h"
#include "diagnostics/YolDebugLog.h"

namespace {

class LogFileTest : public ::testing::Test {
protected:
    void TearDown() override {
        CloseLog();
        CYolDbgOutputDebugLog::Instance().Disable();
    }

    CTempDir m_dir{"yol-logfile"};
    const std::string m_log = m_dir.File("yolinst.log");
};

// Without the debug switch the file is kept or emptied, and gets nothing.
TEST_F(LogFileTest, OpenAppendsBelowTheLimitAndEmptiesAtIt) {
    const std::string below(16383, 'a');
    const std::pair<std::string, std::string> cases[] = {{below, below},
                                                         {std::string(16384, 'b'), ""}};
    for (const auto& [existing, expected] : cases) {
        WriteFileText(m_log, existing);
        InitializeLogForModule(m_dir.File("yolinst.exe"));
        CloseLog();
        EXPECT_EQ(ReadFileText(m_log), expected) << existing.size() << " bytes before";
    }
}

TEST_F(LogFileTest, ThreadsNeverInterleave) {
    WriteFileText(m_dir.File("yolinst.debug"), "");
    InitializeLogForModule(m_dir.File("yolinst.exe"));
    const std::string a(300, 'A');
    const std::string b(300, 'B');
    auto writer = [](const std::string* text) {
        for (int i = 0; i < 200; ++i) {
            YOL_LOG(text->c_str());
        }
    };
    std::thread first(writer, &a);
    std::thread second(writer, &b);
    first.join();
    second.join();
    CloseLog();

    std::istringstream in(ReadFileText(m_log));
    std::string line;
    std::getline(in, line);  // the header
    int records = 0;
    for (; std::getline(in, line); ++records) {
        line = line.substr(19, line.find('\r') - 19);  // past the stamp; "\n" is CR LF on disk
        ASSERT_TRUE(line == a || line == b) << "record " << records;
    }
    EXPECT_EQ(records, 400);
}

}  // namespace
