#include "agent/CarryOptions.h"

#include <cstdint>
#include <cstdio>

#include "config/FeatureOptParser.h"
#include "config/InstallOptParser.h"
#include "config/OptionMaps.h"
#include "config/RebootOptParser.h"
#include "diagnostics/DebugLog.h"

namespace {

// "ERROR: Unable to update <path>\zudUvu.ini with <kind> options from config.xml - 0x001d"
void LogFailure(const char* storagePath, const char* kind, std::uint32_t result) {
    if (result == 0) {
        return;
    }
    char hex[16] = {};
    std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(result));
    YOL_LOG(outputstr("ERROR: Unable to update ") + storagePath + "\\zudUvu.ini with " + kind +
            " options from config.xml - 0x" + hex);
}

}  // namespace

void CarryConfiguredOptions(const char* storagePath) {
    CInstallOptParser install(storagePath);
    LogFailure(storagePath, "install", install.propigateOptions());
    CRebootOptParser reboot(storagePath);
    LogFailure(storagePath, "reboot", reboot.propigateOptions());
    CFeatureOptParser feature(storagePath);
    feature.SetSection(config::kFeatureSection);
    LogFailure(storagePath, "Feature", feature.propigateOptions());
}
