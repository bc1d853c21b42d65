#include "diagnostics/LogFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LogFormat, LogPathWithoutADirectoryOrTooLongAndTheStamp) {
    EXPECT_EQ(diag::LogPathForModule("yolinst.exe"), "c:\\yolinst.log");
    // The 300-byte buffer cuts an over-long path instead of overrunning.
    const std::string deep = "C:\\" + std::string(400, 'd') + "\\yolinst.exe";
    EXPECT_EQ(diag::LogPathForModule(deep).size(), 299u);
    EXPECT_EQ(diag::FormatLogStamp(9, 14, 16, 5, 3, 127), "09/14 16:05:03.127 ");
    EXPECT_EQ(diag::FormatLogStamp(12, 31, 0, 0, 0, 0), "12/31 00:00:00.000 ");
}

}  // namespace
