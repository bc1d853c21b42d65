// Builds the unattended command line setup.exe is started with, after checking through the
// Windows Installer that the staged package is not older than the installed product. Lives for
// one setup launch; while it exists the installer shows no UI in this process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CConfigXMLParser;

class CommandLineGenerator {
public:
    static constexpr std::size_t kBufferSize = 4096;

    // Switches the installer's internal UI off; the destructor restores the previous level.
    explicit CommandLineGenerator(const char* storagePath);
    virtual ~CommandLineGenerator();
    CommandLineGenerator(const CommandLineGenerator&) = delete;
    CommandLineGenerator& operator=(const CommandLineGenerator&) = delete;

    void SetLogOption(bool enabled) { m_logOption = enabled; }
    void SetCallerPid(std::uint32_t pid) { m_callerPid = pid; }

    // Writes the command line into `buffer` (kBufferSize bytes), with the UI level and log file
    // configured in config.xml for the package in the storage path. 0: run it. 114: the package is
    // older than the installed client; the line is written but must not run. 113: the installed
    // version is unreadable or the line does not fit; the buffer is untouched.
    int GenerateCommandLine(char* buffer);

    // The inspection steps GenerateCommandLine runs, one by one.

    // Finds the package, reads its upgrade code (empty when unreadable) and the installed product.
    void Initialize();
    // The first "*.msi" file in the storage path, or the storage path itself when there is none.
    std::string FindPackageMsi() const;
    // Reads one value of the package's Property table into `value` (untouched on failure).
    // 0, or the installer's error code, which is logged.
    std::uint32_t QueryPackageProperty(const std::string& packagePath, const char* name,
                                       std::string& value) const;
    // The package's "ProductVersion", or "0.0.0.0" when it cannot be read.
    std::string GetPackageVersion() const;
    // The product code of the highest-versioned installed product sharing the upgrade code.
    // 0 when one was found, else the code the enumeration ended with (259: none installed).
    std::uint32_t FindHighestRelatedProduct(std::string& productCode) const;
    // Remembers the highest related product; false (and logged) when there is none.
    bool FindInstalledProduct();
    // The installed product's "VersionString"; false (and logged) when it cannot be read.
    bool GetInstalledVersion(std::string& version) const;
    // The installation-log option, escaped for the quoted installer options; never empty.
    std::string GetLogOption() const;
    // The same with the configured log file name read through `config`.
    std::string GetLogOption(CConfigXMLParser& config) const;
    // "IDCENABLE=0" or "IDCENABLE=1" when Setup.ini asks for it, else empty.
    std::string GetIdcOption() const;

    const std::string& UpgradeCode() const { return m_upgradeCode; }
    const std::string& InstalledProductCode() const { return m_installedProductCode; }
    const std::string& PackagePath() const { return m_packagePath; }
    bool IsRelatedProductInstalled() const { return m_relatedProductInstalled; }

private:
    std::string ReadSetupCmdLine(std::size_t bufferSize) const;

    std::uint32_t m_previousUiLevel = 0;
    bool m_initialized = false;
    bool m_relatedProductInstalled = false;
    bool m_logOption = false;
    std::uint32_t m_callerPid = 0;
    std::string m_upgradeCode;
    std::string m_installedProductCode;
    std::string m_storagePath;
    std::string m_packagePath;
};
