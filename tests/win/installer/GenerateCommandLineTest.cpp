// The whole command line from real staging folders: Setup.ini read through the profile API, the
// environment of this process, and the installer UI level around the generator's lifetime.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "InstallerTestSupport.h"
#include "installer/CommandLineGenerator.h"

namespace {

// Configures one install option.
class CFixedOption : public IInstallOptionSource {
public:
    CFixedOption(const char* name, const char* value) : m_name(name), m_value(value) {}
    std::string GetInstallOption(const char* name) const override {
        return m_name == name ? m_value : std::string();
    }

private:
    std::string m_name;
    std::string m_value;
};

// Sets an environment variable for the scope, then restores the earlier value.
class CScopedVariable {
public:
    CScopedVariable(const char* name, const char* value) : m_name(name) {
        char old[32767] = {};
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        m_had = length > 0 && length < sizeof old;
        m_old = old;
        SetEnvironmentVariableA(name, value);
    }
    ~CScopedVariable() { SetEnvironmentVariableA(m_name.c_str(), m_had ? m_old.c_str() : nullptr); }
    CScopedVariable(const CScopedVariable&) = delete;
    CScopedVariable& operator=(const CScopedVariable&) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

// The line generated with the log-option flag set; nothing is installed, so it always passes.
std::string Generate(const CStaging& staging, const IInstallOptionSource& options,
                     std::uint32_t callerPid) {
    char buffer[CommandLineGenerator::kBufferSize] = {};
    CommandLineGenerator generator(staging.path().c_str(), options);
    generator.SetLogOption(true);
    generator.SetCallerPid(callerPid);
    EXPECT_EQ(generator.GenerateCommandLine(buffer), 0);
    return buffer;
}

TEST(GenerateCommandLine, NothingConfiguredGivesQuietInstallLoggingToTemp) {
    // Staged first: the temporary folder must not follow TEMP.
    CStaging staging("yol-defaults", "12.1.6860.6400");
    CScopedVariable temp("TEMP", "D:\\Temp");
    CCapturedLog log;
    const std::string expected = "\"" + staging.path() +
                                 "\\setup.exe\" /w /s /v\"/qn /l*v \\\"D:\\Temp\\INSTALL.LOG\\\" "
                                 "REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"";
    EXPECT_EQ(Generate(staging, CEmptyInstallOptionSource(), 0), expected);
    EXPECT_EQ(log.Lines().back(), expected);

    // The production constructor configures nothing, and without the flag there is no log option.
    char buffer[CommandLineGenerator::kBufferSize] = {};
    CommandLineGenerator plain(staging.path().c_str());
    ASSERT_EQ(plain.GenerateCommandLine(buffer), 0);
    EXPECT_EQ(std::string(buffer), "\"" + staging.path() +
                                       "\\setup.exe\" /w /s /v\"/qn REBOOT=ReallySuppress "
                                       "IDCDEPLOYMENT=AutoUpgrade\"");
}

TEST(GenerateCommandLine, SetupIniAndConfiguredOptionsFillTheirPieces) {
    CStaging staging("yol-setupini", "12.1.6860.6400");
    staging.WriteSetupIni("/qn IDCENABLE = 1 /l*v \"C:\\Log Files\\setup.log\" REBOOT=Force");
    const CFixedOption unattended("UserInterfaceLevel", "unattended");
    EXPECT_EQ(Generate(staging, unattended, 4242),
              "\"" + staging.path() +
                  "\\setup.exe\" /w /s /v\"/qb!- /l*v \\\"C:\\Log Files\\setup.log\\\" "
                  "IDCENABLE=1 YOLPID=4242 REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"");

    // A configured log file name replaces Setup.ini's switch; unquoted, it ends at its blank.
    const CFixedOption named("InstallationLogFileName", "C:\\My Logs\\a.log");
    staging.WriteSetupIni("IDCENABLE=yes /l*v C:\\other.log");
    EXPECT_EQ(Generate(staging, named, 0),
              "\"" + staging.path() +
                  "\\setup.exe\" /w /s /v\"/qn /l*v C:\\My REBOOT=ReallySuppress "
                  "IDCDEPLOYMENT=AutoUpgrade\"");
}

TEST(GenerateCommandLine, OverlongSetupIniLineIsReadThroughFixedBuffers) {
    // Staged first: the temporary folder must not follow TEMP.
    CStaging staging("yol-longini", "12.1.6860.6400");
    CScopedVariable temp("TEMP", "D:\\Temp");
    // 300 characters; IDCENABLE's digit is the 260th, inside its 261-character buffer.
    std::string cmdLine = "/qn " + std::string(245, 'x') + "IDCENABLE=1";
    ASSERT_EQ(cmdLine.size(), 260u);
    staging.WriteSetupIni(cmdLine + std::string(40, 'y'));
    std::string line = Generate(staging, CEmptyInstallOptionSource(), 0);
    EXPECT_NE(line.find("INSTALL.LOG\\\" IDCENABLE=1 REBOOT="), std::string::npos) << line;

    // The log path's closing quote is the 260th character, beyond the log option's buffer of 260:
    // the option runs to the cut, and IDCENABLE lies beyond both buffers.
    cmdLine = "/l*v \"C:\\" + std::string(250, 'p') + "\" IDCENABLE=0";
    staging.WriteSetupIni(cmdLine + std::string(300 - cmdLine.size(), 'y'));
    line = Generate(staging, CEmptyInstallOptionSource(), 0);
    // Escaping the quote makes the option one longer than its buffer: the last character goes.
    EXPECT_NE(line.find("/v\"/qn /l*v \\\"C:\\" + std::string(249, 'p') + " REBOOT="),
              std::string::npos)
        << line;
}

TEST(GenerateCommandLine, LineOfBufferSizeIsRefusedWithItsMessage) {
    // The storage path's length is chosen so the line is exactly 4096 characters.
    CStaging staging("yol-long");
    const std::size_t fixed = std::string(
                                  "\"\\setup.exe\" /w /s /v\"/qn REBOOT=ReallySuppress "
                                  "IDCDEPLOYMENT=AutoUpgrade\"")
                                  .size();
    const std::string storage =
        staging.path() + std::string(4096 - fixed - staging.path().size(), '\\');
    CCapturedLog log;
    char buffer[CommandLineGenerator::kBufferSize];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    CommandLineGenerator generator(storage.c_str());
    EXPECT_EQ(generator.GenerateCommandLine(buffer), 113);
    EXPECT_EQ(log.Lines().back(),
              "Array not large enough to store command line: Supplied 4096 bytes but need 4096");
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '#'));
}

TEST(GenerateCommandLine, InstallerUiIsOffWhileTheGeneratorLives) {
    MsiSetInternalUI(INSTALLUILEVEL_BASIC, nullptr);
    {
        CommandLineGenerator generator("C:\\");
        EXPECT_EQ(MsiSetInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr), INSTALLUILEVEL_NONE);
    }
    EXPECT_EQ(MsiSetInternalUI(INSTALLUILEVEL_DEFAULT, nullptr), INSTALLUILEVEL_BASIC);
}

}  // namespace
