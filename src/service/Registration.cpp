#include "service/Registration.h"

#include <windows.h>

#include <cstdio>

#include "agent/ProductRegistry.h"
#include "diagnostics/DebugLog.h"
#include "service/Platform.h"
#include "service/ServiceControl.h"
#include "service/ServiceNames.h"
#include "service/ServiceStatus.h"
#include "win/module_path.h"
#include "win/unique_any.h"

namespace {

// Opening a machine key for full access succeeds only for an administrator.
bool IsAdministrator() {
    win::unique_hkey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet", 0, KEY_ALL_ACCESS,
                         key.put()) == ERROR_SUCCESS;
}

bool ServiceExists() {
    win::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, GENERIC_READ));
    if (!manager) {
        return false;
    }
    win::unique_schandle service(OpenServiceA(manager.get(), names::kServiceName, GENERIC_READ));
    return static_cast<bool>(service);
}

void DeleteLaunchSetup() {
    DeleteRegistryEntry(HKEY_LOCAL_MACHINE, product::kLinkKey, product::kLaunchSetup,
                        ClientRegistryView());
}

// The executable's path in double quotes, or false when the path cannot be read.
bool QuotedImagePath(char (&quoted)[514]) {
    char path[512] = {};
    if (win::ModulePathA(path, sizeof path) == 0) {
        return false;
    }
    std::snprintf(quoted, sizeof quoted, "\"%s\"", path);
    return true;
}

DWORD ServiceTypeAtCreation() {
    return CurrentMajorVersion() < 6 ? SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS
                                     : SERVICE_WIN32_OWN_PROCESS;
}

}  // namespace

void InstallService() {
    char imagePath[514];
    if (!QuotedImagePath(imagePath)) {
        YOL_LOG_WITH_ERROR_TEXT(outputstr("Unable to install ") + names::kDisplayName + " - ");
        return;
    }
    win::unique_schandle manager = OpenManagerForChanges();
    if (!manager) {
        return;
    }
    win::unique_schandle service(
        CreateServiceA(manager.get(), names::kServiceName, names::kDisplayName, SERVICE_ALL_ACCESS,
                       ServiceTypeAtCreation(), SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       imagePath, nullptr, nullptr, "\0", nullptr, nullptr));
    if (!service) {
        YOL_LOG_WITH_ERROR_TEXT(outputstr("CreateService failed - "));
        return;
    }
    char description[256] = {};
    LoadStringA(GetModuleHandleA(nullptr), names::kDescriptionStringId, description,
                sizeof description);
    SERVICE_DESCRIPTIONA info = {description};
    if (!ChangeServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, &info)) {
        YOL_LOG("Fail to add service description");
    }
    YOL_LOG(outputstr(names::kDisplayName) + " installed.");
}

void ChangeServiceImagePath() {
    char imagePath[514];
    if (!QuotedImagePath(imagePath)) {
        YOL_LOG_WITH_ERROR_TEXT(outputstr("Unable to change ") + names::kDisplayName + " - ");
        return;
    }
    win::unique_schandle manager = OpenManagerForChanges();
    if (!manager) {
        return;
    }
    win::unique_schandle service = OpenYolinstService(manager.get());
    if (!service) {
        return;
    }
    if (!ChangeServiceConfigA(service.get(),
                              SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS,
                              SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, imagePath, nullptr,
                              nullptr, "\0", nullptr, nullptr, names::kDisplayName)) {
        YOL_LOG_WITH_ERROR_TEXT(outputstr("Change service config error - ") + names::kDisplayName +
                                " - ");
    }
}

void mfn_Install() {
    YOL_LOG("<mfn_Install> Begin.");
    if (CheckWindowsPlatform() == 0 && !IsAdministrator()) {
        YOL_LOG("<mfn_Install> not a NT administartor user.");
        return;
    }
    if (UpgradeRunInProgress()) {
        YOL_LOG("<mfn_Install>yolinst.exe is running, please stop and uninstall it first");
        return;
    }
    if (CheckWindowsPlatform() != 0) {
        YOL_LOG("The system isn't Windows NT.");
    } else if (ServiceExists()) {
        DeleteLaunchSetup();
        YOL_LOG("<mfn_Install> yolinst service already exist.");
        ChangeServiceImagePath();
        YOL_LOG("<mfn_Install> change service config.modify image path.");
        return;
    } else {
        YOL_LOG("<mfn_Install> Begin to install yolinst service.");
        InstallService();
    }
    YOL_LOG("<mfn_Install> End.");
}

void RemoveService() {
    win::unique_schandle manager = OpenManagerForChanges();
    if (!manager) {
        return;
    }
    win::unique_schandle service = OpenYolinstService(manager.get());
    if (!service) {
        return;
    }
    StopAndWait(service.get());
    if (DeleteService(service.get())) {
        YOL_LOG(outputstr(names::kDisplayName) + " removed.");
    } else {
        YOL_LOG_WITH_ERROR_TEXT(outputstr("DeleteService failed - "));
    }
}

void mfn_UnInstall() {
    YOL_LOG("<mfn_UnInstall> Begin.");
    if (CheckWindowsPlatform() == 0 && !IsAdministrator()) {
        return;
    }
    if (CheckWindowsPlatform() != 0) {
        YOL_LOG("The system isn't Windows NT.");
    } else {
        RemoveService();
    }
    DeleteLaunchSetup();
    YOL_LOG("<mfn_UnInstall> End.");
}
