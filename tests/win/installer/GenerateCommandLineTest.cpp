// The generator's own inputs: Setup.ini read through the profile API into its fixed buffers, the
// environment of this process, the options configured in config.xml, and the installer UI level
// around the generator's lifetime. How the pieces compose is the unit tier's business.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "../config/ConfigTestSupport.h"
#include "installer/CommandLineGenerator.h"

namespace {

// config.xml with one package (no zudUvu.ini: the empty checksum selects it) configuring one
// install option.
void Configure(const CTempDir& directory, const std::string& option, const std::string& value) {
    WriteFileText(directory.File("config.xml"),
                  option.empty() ? "<c/>"
                                 : "<c><ClientPackage><InstallationOption " + option + "=\"" +
                                       value + "\"/></ClientPackage></c>");
}

TEST(GenerateCommandLine, OptionsAreReadFromSetupIniTheEnvironmentAndTheConfiguration) {
    // Staged before TEMP changes, and without a package: nothing counts as installed.
    CTempDir staging("yol-generate");
    char oldTemp[MAX_PATH] = {};
    GetEnvironmentVariableA("TEMP", oldTemp, MAX_PATH);
    SetEnvironmentVariableA("TEMP", "D:\\Temp");
    const std::string kDefaultLog = "/l*v \\\"D:\\Temp\\INSTALL.LOG\\\"";
    // A 12.0 client (its service not installed) whose config.xml lies in the staging folder.
    configtest::SetProductString(KEY_WOW64_32KEY, "ProductVersion", "12.0");
    configtest::SetProductString(KEY_WOW64_32KEY, "yol_install_path", staging.path());
    const std::tuple<const char*, const char*, std::uint32_t, std::string, std::string> rows[] = {
        {"UserInterfaceLevel", "unattended", 4242,
         "/qn IDCENABLE = 1 /l*v \"C:\\Log Files\\setup.log\" REBOOT=Force",
         "/qb!- /l*v \\\"C:\\Log Files\\setup.log\\\" IDCENABLE=1 YOLPID=4242"},
        {"InstallationLogFileName", "C:\\My Logs\\a.log", 0, "IDCENABLE=yes /l*v C:\\other.log",
         "/qn /l*v C:\\My"},
        // 300 characters; IDCENABLE's digit is the 260th, inside its 261-character buffer but
        // beyond the log option's 260, which finds no log switch.
        {"", "", 0, "/qn " + std::string(245, 'x') + "IDCENABLE=1" + std::string(40, 'y'),
         "/qn " + kDefaultLog + " IDCENABLE=1"},
        // 300 characters; the log path's closing quote is the 260th, so the option runs to the
        // cut, one character shorter once its quote is escaped; IDCENABLE lies beyond both.
        {"", "", 0, "/l*v \"C:\\" + std::string(250, 'p') + "\" IDCENABLE=0" + std::string(28, 'y'),
         "/qn /l*v \\\"C:\\" + std::string(249, 'p')},
    };
    for (const auto& [option, value, pid, setupCmdLine, options] : rows) {
        ASSERT_TRUE(WritePrivateProfileStringA("Startup", "CmdLine", setupCmdLine.c_str(),
                                               staging.File("Setup.ini").c_str()));
        Configure(staging, option, value);
        CommandLineGenerator generator(staging.path().c_str());
        generator.SetLogOption(true);
        generator.SetCallerPid(pid);
        char buffer[CommandLineGenerator::kBufferSize] = {};
        EXPECT_EQ(generator.GenerateCommandLine(buffer), 0);
        EXPECT_EQ(std::string(buffer), "\"" + staging.path() + "\\setup.exe\" /w /s /v\"" +
                                           options +
                                           " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"");
    }
    SetEnvironmentVariableA("TEMP", oldTemp);
    configtest::DeleteProductKeys();
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
