// Shared pieces of the installer tests: the sample packages, products installed for one test,
// staging folders and a captured debug log.
#pragma once

#include <string>
#include <vector>

#include "../TempDir.h"
#include "diagnostics/DebugLog.h"

// The sample package of `release` ("12.1.6860.6400", "NoUpgradeCode", ...) as a Windows path.
std::string SamplePackage(const char* release);

// Runs msiexec with `action` ("/i" or "/x") on `package`, silently; its exit code.
unsigned long RunMsiexec(const char* action, const std::string& package);

// A sample release installed for the lifetime of the object, then uninstalled. Uninstalling one
// of several products of an upgrade code empties Wine's related-product index, so every test
// removes all it installed before the next one starts.
class CInstalledRelease {
public:
    explicit CInstalledRelease(const char* release);
    ~CInstalledRelease();
    CInstalledRelease(const CInstalledRelease&) = delete;
    CInstalledRelease& operator=(const CInstalledRelease&) = delete;

    bool Installed() const { return m_exitCode == 0; }
    unsigned long ExitCode() const { return m_exitCode; }

private:
    std::string m_package;
    unsigned long m_exitCode;
};

// A staging folder holding the package of `release` (none when null) as "ZanthrexBastion.msi".
class CStaging : public CTempDir {
public:
    explicit CStaging(const char* name, const char* release = nullptr);
    // Writes Setup.ini with [Startup] CmdLine=`cmdLine`.
    void WriteSetupIni(const std::string& cmdLine) const;
};

// Records the debug log's lines while it exists.
class CCapturedLog : public IDebugLog {
public:
    CCapturedLog();
    ~CCapturedLog() override;
    CCapturedLog(const CCapturedLog&) = delete;
    CCapturedLog& operator=(const CCapturedLog&) = delete;

    void Enable() override {}
    void Disable() override {}
    bool IsEnabled() const override { return true; }
    void Output(const outputstr& line) override;

    // The lines without their line feeds.
    const std::vector<std::string>& Lines() const { return m_lines; }
    // True when a line starts with `prefix`.
    bool HasLineStartingWith(const std::string& prefix) const;

private:
    IDebugLog* m_previous;
    std::vector<std::string> m_lines;
};
