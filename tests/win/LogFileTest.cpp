#include "diagnostics/LogFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "diagnostics/YolDebugLog.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();  // the file is text: each "\n" is on disk as CR LF
        }
        lines.push_back(line);
    }
    return lines;
}

const std::regex kStamp(R"(\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d )");

class LogFileTest : public ::testing::Test {
protected:
    void TearDown() override {
        CloseLog();
        CYolDbgOutputDebugLog::Instance().Disable();
    }
    // Opens the log as the executable in the temp dir would, optionally with the debug switch.
    void Open(bool debugSwitch) {
        if (debugSwitch) {
            WriteFile(m_dir.File("yolinst.debug"), "");
        }
        InitializeLogForModule(m_dir.File("yolinst.exe"));
    }
    std::string Log() const { return ReadFile(m_dir.File("yolinst.log")); }

    CTempDir m_dir{"yol-logfile"};
};

TEST_F(LogFileTest, DisabledByDefaultTheFileIsCreatedButGetsNothing) {
    Open(false);
    EXPECT_EQ(GetDebugLog(), &CYolDbgOutputDebugLog::Instance());
    EXPECT_FALSE(GetDebugLog()->IsEnabled());
    CloseLog();
    EXPECT_EQ(GetFileAttributesA(m_dir.File("yolinst.log").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(Log(), "");
}

TEST_F(LogFileTest, AppendsBelowTheLimitAndEmptiesAtIt) {
    const std::string below(16383, 'a');
    WriteFile(m_dir.File("yolinst.log"), below);
    Open(false);
    CloseLog();
    EXPECT_EQ(Log(), below);

    const std::string atLimit(16384, 'b');
    WriteFile(m_dir.File("yolinst.log"), atLimit);
    Open(false);
    CloseLog();
    EXPECT_EQ(Log(), "");
}

TEST_F(LogFileTest, DebugSwitchEnablesTheLogBeforeTheHeader) {
    WriteFile(m_dir.File("yolinst.log"), "earlier run\n");
    Open(true);
    ASSERT_TRUE(GetDebugLog()->IsEnabled());
    YOL_LOG("first line");
    WriteLogLine(outputstr());  // an empty line writes nothing, not even a stamp
    YOL_LOG(outputstr("<mfn_Install>") + "yolinst.exe is running");
    CloseLog();
    YOL_LOG("after close: dropped");

    const std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "earlier run");
    ASSERT_TRUE(std::regex_search(lines[1], kStamp));
    EXPECT_TRUE(std::regex_match(lines[1].substr(19),
                                 std::regex(R"(====== YolInst starts at \d\d:\d\d:\d\d======)")));
    EXPECT_TRUE(std::regex_match(lines[2].substr(0, 19), kStamp));
    EXPECT_EQ(lines[2].substr(19), "first line");
    EXPECT_EQ(lines[3].substr(19), "<mfn_Install>yolinst.exe is running");
}

TEST_F(LogFileTest, LinesFromTwoThreadsNeverInterleave) {
    Open(true);
    const std::string a(300, 'A');
    const std::string b(300, 'B');
    auto writer = [](const std::string& text) {
        for (int i = 0; i < 200; ++i) {
            YOL_LOG(text.c_str());
        }
    };
    std::thread first(writer, a);
    std::thread second(writer, b);
    first.join();
    second.join();
    CloseLog();

    const std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(lines.size(), 401u);
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string text = lines[i].substr(19);
        ASSERT_TRUE(text == a || text == b) << "line " << i << " is mixed";
    }
}

TEST_F(LogFileTest, PathWithoutBackslashLogsToTheRootOfC) {
    DeleteFileA("c:\\yolinst.log");
    InitializeLogForModule("yolinst.exe");
    CloseLog();
    EXPECT_NE(GetFileAttributesA("c:\\yolinst.log"), INVALID_FILE_ATTRIBUTES);
    DeleteFileA("c:\\yolinst.log");
}

}  // namespace
