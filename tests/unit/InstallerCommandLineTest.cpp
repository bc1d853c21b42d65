// The version decision and the setup command line's composition, without the Windows Installer.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "diagnostics/DebugLog.h"
#include "installer/CommandLinePieces.h"
#include "installer/LogOption.h"
#include "installer/VersionRules.h"

namespace {

using installer::Version;

// Records the debug log's lines while it exists.
class CCapturedLog : public IDebugLog {
public:
    CCapturedLog() : m_previous(InstallDebugLog(this)) {}
    ~CCapturedLog() override { InstallDebugLog(m_previous); }
    void Enable() override {}
    void Disable() override {}
    bool IsEnabled() const override { return true; }
    void Output(const outputstr& line) override { lines.emplace_back(line.c_str()); }

    std::vector<std::string> lines;

private:
    IDebugLog* m_previous;
};

installer::EnvironmentLookup Environment(std::map<std::string, std::string> variables) {
    return [variables](const std::string& name) {
        const auto found = variables.find(name);
        return found == variables.end() ? std::string() : found->second;
    };
}

const installer::EnvironmentLookup kTemp = Environment({{"TEMP", "D:\\Temp"}});

// What the generator composes from its sources, with the log-option flag set.
struct Sources {
    std::string storagePath = "D:\\Pkg";
    std::string userInterfaceLevel;
    std::string logFileName;
    std::string setupCmdLine;
    std::uint32_t callerPid = 0;
};

std::string Compose(const Sources& sources) {
    installer::CommandLinePieces pieces;
    pieces.storagePath = sources.storagePath;
    pieces.userInterface = installer::UserInterfaceOption(sources.userInterfaceLevel);
    pieces.logOption = installer::BuildLogOption(sources.logFileName, sources.setupCmdLine, kTemp);
    pieces.idcOption = installer::FindIdcOption(sources.setupCmdLine);
    pieces.callerPid = sources.callerPid;
    return installer::ComposeCommandLine(pieces);
}

TEST(InstallerVersion, ParseVersionSplitsAtEveryDot) {
    EXPECT_EQ(installer::ParseVersion("12.1.6860.6400"), (Version{12, 1, 6860, 6400}));
    EXPECT_EQ(installer::ParseVersion("1..2"), (Version{1, 0, 2}));
    EXPECT_EQ(installer::ParseVersion("1.2."), (Version{1, 2}));
    EXPECT_EQ(installer::ParseVersion(""), Version{});
    EXPECT_EQ(installer::ParseVersion("."), Version{0});
    EXPECT_EQ(installer::ParseVersion("a.3b.x"), (Version{0, 3, 0}));
    EXPECT_EQ(installer::ParseVersion("-1.+2"), (Version{-1, 2}));
    EXPECT_EQ(installer::ParseVersion("99999999999.-99999999999"),
              (Version{2147483647, -2147483647 - 1}));
}

TEST(InstallerVersion, DowngradeIsRefusedAtTheFirstDifferingComponent) {
    CCapturedLog log;
    EXPECT_EQ(installer::CheckPackageVersion(true, "12.1.6860.6400", "12.1.6860.6400"), 0);
    EXPECT_EQ(installer::CheckPackageVersion(true, "12.1.671.4971", "12.1.6860.6400"), 0);
    EXPECT_EQ(installer::CheckPackageVersion(true, "12.1.6860.6400", "12.1.671.4971"), 114);
    // Nothing installed: no comparison, whatever the package says.
    EXPECT_EQ(installer::CheckPackageVersion(false, "", "0.0.0.0"), 0);
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "New Version = 12.1.6860.6400 Installed Version = 12.1.6860.6400\n",
                             "New Version = 12.1.6860.6400 Installed Version = 12.1.671.4971\n",
                             "New Version = 12.1.671.4971 Installed Version = 12.1.6860.6400\n",
                             "ERROR: attempting to install lower version 12.1.671.4971 over "
                             "version 12.1.6860.6400\n",
                             "New Version = 0.0.0.0 Installed Version = \n",
                         }));
}

TEST(InstallerVersion, MissingComponentsCountAsZero) {
    // Compared over the installed version's components only.
    EXPECT_EQ(installer::CheckPackageVersion(true, "12.1", "12.1.0.5"), 0);
    EXPECT_EQ(installer::CheckPackageVersion(true, "12.1", "12.0.9"), 114);
    EXPECT_EQ(installer::CheckPackageVersion(true, "12.1.0.0", "12.1"), 0);
    EXPECT_EQ(installer::CheckPackageVersion(true, "12.1.0.5", "12.1"), 114);
    // An unreadable package version is 0.0.0.0 and loses to any installed version.
    EXPECT_EQ(installer::CheckPackageVersion(true, "0.0.0.1", "0.0.0.0"), 114);

    // Among related products, over the candidate's components.
    EXPECT_TRUE(installer::IsHigherVersion("12.1.1000.157", "11.0.5002.333"));
    EXPECT_FALSE(installer::IsHigherVersion("11.0.5002.333", "12.1.1000.157"));
    EXPECT_FALSE(installer::IsHigherVersion("12.1.1000.157", "12.1.1000.157"));
    EXPECT_FALSE(installer::IsHigherVersion("12.1", "12.1.0.1"));
    EXPECT_TRUE(installer::IsHigherVersion("12.1.0.1", "12.1"));
}

TEST(InstallerCommandLine, DefaultsGiveQuietInstallWithLogInTemp) {
    EXPECT_EQ(Compose({}),
              "\"D:\\Pkg\\setup.exe\" /w /s /v\"/qn /l*v \\\"D:\\Temp\\INSTALL.LOG\\\" "
              "REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"");

    // Without the log-option flag piece 5 is absent.
    installer::CommandLinePieces pieces;
    pieces.storagePath = "D:\\Pkg";
    pieces.userInterface = "/qn";
    EXPECT_EQ(installer::ComposeCommandLine(pieces),
              "\"D:\\Pkg\\setup.exe\" /w /s /v\"/qn REBOOT=ReallySuppress "
              "IDCDEPLOYMENT=AutoUpgrade\"");
}

TEST(InstallerCommandLine, SetupIniSuppliesLogFileAndIdcEnable) {
    Sources sources;
    sources.setupCmdLine = "/qn IDCENABLE = 1 /l*v \"C:\\Log Files\\setup.log\" REBOOT=Force";
    EXPECT_EQ(Compose(sources),
              "\"D:\\Pkg\\setup.exe\" /w /s /v\"/qn /l*v \\\"C:\\Log Files\\setup.log\\\" "
              "IDCENABLE=1 REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"");

    // With a caller PID, YOLPID follows IDCENABLE and precedes REBOOT.
    sources.callerPid = 4242;
    EXPECT_EQ(Compose(sources),
              "\"D:\\Pkg\\setup.exe\" /w /s /v\"/qn /l*v \\\"C:\\Log Files\\setup.log\\\" "
              "IDCENABLE=1 YOLPID=4242 REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"");
    sources.setupCmdLine.clear();
    sources.callerPid = 4294967295u;
    EXPECT_NE(Compose(sources).find("INSTALL.LOG\\\" YOLPID=4294967295 REBOOT="),
              std::string::npos);
}

TEST(InstallerCommandLine, IdcEnableNeedsEqualsAndZeroOrOne) {
    EXPECT_EQ(installer::FindIdcOption("/qn IDCENABLE=0"), "IDCENABLE=0");
    EXPECT_EQ(installer::FindIdcOption("IDCENABLE\t=\t1 /qn"), "IDCENABLE=1");
    EXPECT_EQ(installer::FindIdcOption("IDCENABLE=10"), "IDCENABLE=1");
    for (const char* refused : {"IDCENABLE=yes", "idcenable=1", "IDCENABLE 1",
                                "IDCENABLE=", "/qn IDCENABLE", "IDCENABLE = ", ""}) {
        EXPECT_EQ(installer::FindIdcOption(refused), "") << refused;
    }
    // Only the first occurrence counts.
    EXPECT_EQ(installer::FindIdcOption("IDCENABLE=x IDCENABLE=1"), "");
}

TEST(InstallerCommandLine, UserInterfaceLevelMatchesWholeWordsAfterUpperCasing) {
    EXPECT_STREQ(installer::UserInterfaceOption("normal"), "/qf");
    EXPECT_STREQ(installer::UserInterfaceOption("NoRmAl"), "/qf");
    EXPECT_STREQ(installer::UserInterfaceOption("unattended"), "/qb!-");
    EXPECT_STREQ(installer::UserInterfaceOption("Silent"), "/qn");
    for (const char* other : {"", "SILENTLY", "NORMAL ", "UNATTEND", "basic"}) {
        EXPECT_STREQ(installer::UserInterfaceOption(other), "/qn") << other;
    }
    Sources sources;
    sources.userInterfaceLevel = "unattended";
    EXPECT_EQ(Compose(sources).find("/v\"/qb!- /l*v "), sources.storagePath.size() + 19);
}

TEST(InstallerCommandLine, ConfiguredLogNameWinsAndEndsAtItsFirstBlank) {
    EXPECT_EQ(installer::BuildLogOption("C:\\My Logs\\a.log", "/l*v D:\\other.log", kTemp),
              "/l*v C:\\My");
    EXPECT_EQ(installer::BuildLogOption("\"C:\\My Logs\\a.log\"", "", kTemp),
              "/l*v \\\"C:\\My Logs\\a.log\\\"");
    EXPECT_EQ(installer::BuildLogOption("", "/qn /L+ %TEMP%\\x.log /norestart", kTemp),
              "/L+ D:\\Temp\\x.log");
}

TEST(InstallerCommandLine, LogSwitchAtTheEndOrWithoutClosingQuoteRunsToTheEnd) {
    EXPECT_EQ(installer::FindLogSwitch("/qn /l"), "/l");
    EXPECT_EQ(installer::FindLogSwitch("/qn /l*v"), "/l*v");
    EXPECT_EQ(installer::FindLogSwitch("/qn /l*v "), "/l*v ");
    EXPECT_EQ(installer::FindLogSwitch("/l*v \"C:\\a b"), "/l*v \"C:\\a b");
    EXPECT_EQ(installer::FindLogSwitch("/l*v C:\\a.log"), "/l*v C:\\a.log");
    EXPECT_EQ(installer::FindLogSwitch("/qn /"), "");
    EXPECT_EQ(installer::FindLogSwitch("/qn"), "");
    // A lone "/" at the end is no switch: the default applies.
    EXPECT_EQ(installer::BuildLogOption("", "/qn /", kTemp), "/l*v \\\"D:\\Temp\\INSTALL.LOG\\\"");
    EXPECT_EQ(installer::BuildLogOption("", "/l*v \"C:\\a b", kTemp), "/l*v \\\"C:\\a b");
}

TEST(InstallerCommandLine, VariablesExpandAndUnclosedPercentStaysAsWritten) {
    const auto env = Environment({{"TEMP", "D:\\Temp"}, {"Q", "a\"b"}});
    EXPECT_EQ(installer::EscapeAndExpand("/l*v %NOPE%\\x.log", env), "/l*v \\x.log");
    EXPECT_EQ(installer::EscapeAndExpand("/l*v %%x", env), "/l*v x");
    EXPECT_EQ(installer::EscapeAndExpand("/l*v %TEMP", env), "/l*v %TEMP");
    EXPECT_EQ(installer::EscapeAndExpand("/l*v %TEMP%\\%TEMP", env), "/l*v D:\\Temp\\%TEMP");
    EXPECT_EQ(installer::EscapeAndExpand("/l*v \"%TEMP \"x", env), "/l*v \\\"%TEMP \\\"x");
    // A variable's value is copied as it is: its quotes are not the option's.
    EXPECT_EQ(installer::EscapeAndExpand("%Q%", env), "a\"b");
    EXPECT_EQ(installer::EscapeAndExpand("%TEMP%", nullptr), "");
}

TEST(InstallerCommandLine, OverlongSourcesAreCutToTheWorkingBuffer) {
    // A Setup.ini CmdLine of 300 characters whose quoted log path crosses the buffer's end.
    const std::string cmdLine = std::string(240, 'x') + " /l*v \"" + std::string(52, 'p') + "\"";
    ASSERT_EQ(cmdLine.size(), 300u);
    const std::string option = installer::BuildLogOption("", cmdLine, kTemp);
    EXPECT_EQ(option, "/l*v \\\"" + std::string(259 - 247, 'p'));

    EXPECT_EQ(installer::BuildLogOption(std::string(300, 'n'), "", kTemp).size(), 259u);
    const auto huge = Environment({{"BIG", std::string(500, 'v')}});
    EXPECT_EQ(installer::EscapeAndExpand("/l*v %BIG%\\x", huge), "/l*v " + std::string(254, 'v'));
    // Escapes are never split, so the option cannot end in a lone backslash.
    const std::string quotes = installer::EscapeAndExpand("/l*v x" + std::string(200, '"'), huge);
    EXPECT_EQ(quotes.size(), 258u);
    EXPECT_EQ(quotes.back(), '"');
}

TEST(InstallerCommandLine, LineMustBeShorterThanTheBuffer) {
    CCapturedLog log;
    installer::CommandLinePieces pieces;
    pieces.userInterface = "/qn";
    const std::size_t fixed = installer::ComposeCommandLine(pieces).size();

    std::vector<char> buffer(installer::kCommandLineBufferSize, '#');
    pieces.storagePath = std::string(4095 - fixed, 's');
    const std::string fits = installer::ComposeCommandLine(pieces);
    ASSERT_EQ(fits.size(), 4095u);
    EXPECT_EQ(installer::DeliverCommandLine(fits, buffer.data(), 114), 114);
    EXPECT_EQ(std::string(buffer.data()), fits);
    EXPECT_EQ(log.lines.back(), fits + "\n");

    std::fill(buffer.begin(), buffer.end(), '#');
    pieces.storagePath += 's';
    EXPECT_EQ(
        installer::DeliverCommandLine(installer::ComposeCommandLine(pieces), buffer.data(), 0),
        113);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(buffer.size(), '#'));
    EXPECT_EQ(log.lines.back(),
              "Array not large enough to store command line: Supplied 4096 bytes but need 4096\n");
}

}  // namespace
