// Where the generator reads the administrator's install options ("UserInterfaceLevel",
// "InstallationLogFileName"). The package's configuration reader will answer here; until it does,
// the empty source leaves both options at their defaults.
#pragma once

#include <string>

class IInstallOptionSource {
public:
    virtual ~IInstallOptionSource() = default;
    // The option's value, empty when it is not configured.
    virtual std::string GetInstallOption(const char* name) const = 0;
};

// Configures nothing.
class CEmptyInstallOptionSource : public IInstallOptionSource {
public:
    std::string GetInstallOption(const char* /*name*/) const override { return {}; }
};
