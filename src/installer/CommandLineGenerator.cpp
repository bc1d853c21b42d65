// The generator's lifetime and the command line: options read from the package's files and the
// environment, composed by the platform-independent rules.
#include "installer/CommandLineGenerator.h"

#include <windows.h>
#include <msi.h>

#include <vector>

#include "config/ConfigXMLParser.h"
#include "diagnostics/DebugLog.h"
#include "installer/CommandLinePieces.h"
#include "installer/LogOption.h"
#include "installer/VersionRules.h"
#include "win/ansi_text.h"

static_assert(CommandLineGenerator::kBufferSize == installer::kCommandLineBufferSize,
              "the caller's buffer is the one the composition checks against");

namespace {

// The variable's value in this process's environment; empty when it is not defined.
std::string EnvironmentValue(const std::string& name) {
    const DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (needed == 0) {
        return {};
    }
    std::vector<char> value(needed);
    const DWORD copied = GetEnvironmentVariableA(name.c_str(), value.data(), needed);
    return copied > 0 && copied < needed ? std::string(value.data(), copied) : std::string();
}

}  // namespace

CommandLineGenerator::CommandLineGenerator(const char* storagePath)
    : m_previousUiLevel(MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr)),
      m_storagePath(storagePath ? storagePath : "") {}

CommandLineGenerator::~CommandLineGenerator() {
    MsiSetInternalUI(static_cast<INSTALLUILEVEL>(m_previousUiLevel), nullptr);
}

int CommandLineGenerator::GenerateCommandLine(char* buffer) {
    Initialize();
    std::string installedVersion;
    if (m_relatedProductInstalled && !GetInstalledVersion(installedVersion)) {
        YOL_LOG("GetInstalledVersion() failed");
        return installer::kResultFailed;
    }
    const int checked = installer::CheckPackageVersion(m_relatedProductInstalled, installedVersion,
                                                       GetPackageVersion());

    // One reader for both configured options, released before the line is delivered.
    installer::CommandLinePieces pieces;
    pieces.storagePath = m_storagePath;
    {
        CConfigXMLParser config(m_storagePath.c_str());
        pieces.userInterface = installer::UserInterfaceOption(
            win::ToAnsi(config.GetInstallOption("UserInterfaceLevel")));
        if (m_logOption) {
            pieces.logOption = GetLogOption(config);
        }
    }
    pieces.idcOption = GetIdcOption();
    pieces.callerPid = m_callerPid;
    return installer::DeliverCommandLine(installer::ComposeCommandLine(pieces), buffer, checked);
}

std::string CommandLineGenerator::GetLogOption() const {
    CConfigXMLParser config(m_storagePath.c_str());
    return GetLogOption(config);
}

std::string CommandLineGenerator::GetLogOption(CConfigXMLParser& config) const {
    const std::string configured = win::ToAnsi(config.GetInstallOption("InstallationLogFileName"));
    // Setup.ini is only consulted when no log file name is configured.
    const std::string cmdLine = configured.empty() ? ReadSetupCmdLine(260) : std::string();
    return installer::BuildLogOption(configured, cmdLine, EnvironmentValue);
}

std::string CommandLineGenerator::GetIdcOption() const {
    return installer::FindIdcOption(ReadSetupCmdLine(261));
}

// Setup.ini's [Startup] CmdLine, cut to fit `bufferSize` with its terminator; empty when absent.
std::string CommandLineGenerator::ReadSetupCmdLine(std::size_t bufferSize) const {
    const std::string iniPath = m_storagePath + "\\Setup.ini";
    std::vector<char> value(bufferSize, '\0');
    const DWORD length = GetPrivateProfileStringA(
        "Startup", "CmdLine", "", value.data(), static_cast<DWORD>(value.size()), iniPath.c_str());
    return std::string(value.data(), length);
}
