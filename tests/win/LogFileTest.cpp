#include "diagnostics/LogFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

// Without the debug switch the file is created, kept or emptied, and gets nothing.
TEST_F(LogFileTest, OpenAppendsBelowTheLimitAndEmptiesAtIt) {
    const std::string below(16383, 'a');
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, ""}, {below, below}, {std::string(16384, 'b'), ""}};
    for (const auto& [existing, expected] : cases) {
        SCOPED_TRACE(existing ? std::to_string(existing->size()) + " bytes before" : "no file");
        DeleteFileA(m_log.c_str());
        if (existing) {
            WriteFileText(m_log, *existing);
        }
        InitializeLogForModule(m_dir.File("yolinst.exe"));
        CloseLog();
        EXPECT_EQ(GetFileAttributesA(m_log.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
        EXPECT_EQ(ReadFileText(m_log), expected);
    }
}

TEST_F(LogFileTest, DebugSwitchEnablesTheLogBeforeTheHeaderAndThreadsNeverInterleave) {
    WriteFileText(m_log, "earlier run\n");
    WriteFileText(m_dir.File("yolinst.debug"), "");
    InitializeLogForModule(m_dir.File("yolinst.exe"));
    YOL_LOG("first line");
    WriteLogLine(outputstr());  // an empty line writes nothing, not even a stamp
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
    YOL_LOG("after close: dropped");

    std::vector<std::string> lines;
    std::istringstream in(ReadFileText(m_log));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(0, line.find('\r')));  // text file: "\n" is CR LF on disk
    }
    ASSERT_EQ(lines.size(), 403u);
    EXPECT_EQ(lines[0], "earlier run");
    EXPECT_TRUE(std::regex_match(lines[1].substr(19),
                                 std::regex(R"(====== YolInst starts at \d\d:\d\d:\d\d======)")));
    EXPECT_EQ(lines[2].substr(19), "first line");
    for (std::size_t i = 3; i < lines.size(); ++i) {
        ASSERT_TRUE(lines[i].substr(19) == a || lines[i].substr(19) == b) << "line " << i;
    }
}

}  // namespace
