// The generator's own inputs: Setup.ini through the profile API, the environment, the UI level.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "../TempDir.h"
#include "installer/CommandLineGenerator.h"

namespace {

// Setup.ini's CmdLine of 300 characters each: the log switch is looked for in its first 259,
// IDCENABLE in its first 260.
TEST(GenerateCommandLine, SetupIniIsCutToEachBufferAndTempComesFromTheEnvironment) {
    CTempDir staging("yol-generate");
    char oldTemp[MAX_PATH] = {};
    GetEnvironmentVariableA("TEMP", oldTemp, MAX_PATH);
    SetEnvironmentVariableA("TEMP", "D:\\Temp");
    const std::pair<std::string, std::string> rows[] = {
        // IDCENABLE's digit is the 260th: no log switch, so the default log in TEMP.
        {"/qn " + std::string(245, 'x') + "IDCENABLE=1" + std::string(40, 'y'),
         "/qn /l*v \\\"D:\\Temp\\INSTALL.LOG\\\" IDCENABLE=1"},
        // The log path's closing quote is the 260th, so the option runs to the cut, one character
        // shorter once its quote is escaped; IDCENABLE lies beyond both.
        {"/l*v \"C:\\" + std::string(250, 'p') + "\" IDCENABLE=0" + std::string(28, 'y'),
         "/qn /l*v \\\"C:\\" + std::string(249, 'p')},
    };
    for (const auto& [setupCmdLine, options] : rows) {
        ASSERT_TRUE(WritePrivateProfileStringA("Startup", "CmdLine", setupCmdLine.c_str(),
                                               staging.File("Setup.ini").c_str()));
        CommandLineGenerator generator(staging.path().c_str());
        generator.SetLogOption(true);
        char buffer[CommandLineGenerator::kBufferSize] = {};
        EXPECT_EQ(generator.GenerateCommandLine(buffer), 0);
        EXPECT_EQ(std::string(buffer), "\"" + staging.path() + "\\setup.exe\" /w /s /v\"" +
                                           options +
                                           " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"");
    }
    SetEnvironmentVariableA("TEMP", oldTemp);
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
