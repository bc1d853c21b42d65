// The version decision and the setup command line's composition, without the Windows Installer.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "CapturedLog.h"
#include "installer/CommandLinePieces.h"
#include "installer/LogOption.h"
#include "installer/VersionRules.h"

namespace {

using installer::Version;

std::string Environment(const std::string& name) {
    return name == "TEMP" ? "D:\\Temp"
           : name == "Q"  ? "a\"b"
                          : std::string(name == "BIG" ? 500 : 0, 'v');
}

TEST(InstallerVersion, ParseVersionSplitsAtEveryDot) {
    const std::pair<const char*, Version> rows[] = {
        {"1..2", {1, 0, 2}},
        {"1.2.", {1, 2}},
        {"a.3b.x", {0, 3, 0}},
        {"-1.+2", {-1, 2}},
        {"99999999999.-99999999999", {2147483647, -2147483647 - 1}},
    };
    for (const auto& [text, expected] : rows) {
        EXPECT_EQ(installer::ParseVersion(text), expected) << text;
    }
}

// Both the downgrade check and the choice among related products compare over the first
// version's own components, a component the other lacks counting as 0.
TEST(InstallerVersion, DowngradeIsRefusedAtTheFirstDifferingComponent) {
    const std::tuple<const char*, const char*, int> rows[] = {
        {"12.1.6860.6400", "12.1.6860.6400", 0},
        {"12.1.6860.6400", "12.1.671.4971", 114},
        {"12.1.671.4971", "12.1.6860.6400", 0},
        {"12.1.0.5", "12.1", 114},
    };
    for (const auto& [installedVersion, packageVersion, result] : rows) {
        CCapturedLog log;
        EXPECT_EQ(installer::CheckPackageVersion(true, installedVersion, packageVersion), result)
            << installedVersion << " / " << packageVersion;
        const std::string refusal = std::string("ERROR: attempting to install lower version ") +
                                    packageVersion + " over version " + installedVersion + "\n";
        EXPECT_EQ(log.text, std::string("New Version = ") + packageVersion +
                                " Installed Version = " + installedVersion + "\n" +
                                (result != 0 ? refusal : ""));
        EXPECT_EQ(installer::IsHigherVersion(installedVersion, packageVersion), result != 0)
            << installedVersion << " / " << packageVersion;
    }
}

// Sources: the configured UI level and log name, Setup.ini's CmdLine, the log flag, the PID.
TEST(InstallerCommandLine, OptionsComeFromTheirSourcesInTheirOrder) {
    const char* const kIni = "/qn IDCENABLE = 1 /l*v \"C:\\Log Files\\setup.log\" REBOOT=Force";
    const std::tuple<const char*, const char*, const char*, bool, std::uint32_t, const char*>
        rows[] = {
            {"", "", kIni, true, 4242,
             "/qn /l*v \\\"C:\\Log Files\\setup.log\\\" IDCENABLE=1 YOLPID=4242"},
            {"unattended", "C:\\My Logs\\a.log", "IDCENABLE=yes /l*v D:\\other.log", true,
             4294967295u, "/qb!- /l*v C:\\My YOLPID=4294967295"},
            // The UI level matches whole words after upper-casing.
            {"NoRmAl", "", "", false, 0, "/qf"},
            {"NORMAL ", "", "", false, 0, "/qn"},
            // Only the first IDCENABLE counts, and only with "=" and a 0 or 1 after it.
            {"", "", "/qn IDCENABLE=0", false, 0, "/qn IDCENABLE=0"},
            {"", "", "IDCENABLE 1", false, 0, "/qn"},
            {"", "", "IDCENABLE=x IDCENABLE=1", false, 0, "/qn"},
        };
    for (const auto& [level, logName, setupCmdLine, log, pid, options] : rows) {
        installer::CommandLinePieces pieces;
        pieces.storagePath = "D:\\Pkg";
        pieces.userInterface = installer::UserInterfaceOption(level);
        if (log) {
            pieces.logOption = installer::BuildLogOption(logName, setupCmdLine, Environment);
        }
        pieces.idcOption = installer::FindIdcOption(setupCmdLine);
        pieces.callerPid = pid;
        EXPECT_EQ(installer::ComposeCommandLine(pieces),
                  std::string("\"D:\\Pkg\\setup.exe\" /w /s /v\"") + options +
                      " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"")
            << level << " | " << setupCmdLine;
    }
}

TEST(InstallerCommandLine, LogOptionIsFoundEscapedExpandedAndCut) {
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"\"C:\\My Logs\\a.log\"", "", "/l*v \\\"C:\\My Logs\\a.log\\\""},
        {"", "/qn /L+ %TEMP%\\x.log /norestart", "/L+ D:\\Temp\\x.log"},
        // A switch at the very end runs to the end of the text.
        {"", "/qn /l", "/l"},
        // A "%" without its pair stays as written, its quotes still escaped.
        {"", "/l*v %TEMP%\\%TEMP", "/l*v D:\\Temp\\%TEMP"},
        // A variable's value is copied as it is: its quotes are not the option's.
        {"%Q%", "", "/l*v a\"b"},
        {"", "/l*v %BIG%\\x", "/l*v " + std::string(254, 'v')},
        // Escapes are never split, so the option cannot end in a lone backslash.
        {std::string(253, 'x') + "\"", "", "/l*v " + std::string(253, 'x')},
    };
    for (const auto& [configured, setupCmdLine, option] : rows) {
        EXPECT_EQ(installer::BuildLogOption(configured, setupCmdLine, Environment), option)
            << configured << " | " << setupCmdLine;
    }
}

TEST(InstallerCommandLine, LineMustBeShorterThanTheBuffer) {
    for (const std::size_t length : {4095u, 4096u}) {
        CCapturedLog log;
        std::vector<char> buffer(4096, '#');
        const std::string line(length, 's');
        const bool fits = length == 4095;
        EXPECT_EQ(installer::DeliverCommandLine(line, buffer.data(), 114), fits ? 114 : 113);
        // Delivered with its terminator, or not at all.
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()),
                  fits ? line + '\0' : std::string(4096, '#'));
        EXPECT_EQ(log.text, fits ? line + "\n"
                                 : "Array not large enough to store command line: Supplied 4096 "
                                   "bytes but need 4096\n");
    }
}

}  // namespace
