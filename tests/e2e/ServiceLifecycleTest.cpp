// The built yolinst.exe, driven through its switches and Wine's Service Control Manager.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "E2eSupport.h"

namespace e2e {
namespace {

// The records of one command-line run: the header, its argument, `body` and the closing line.
Lines Command(const char* argument, const Lines& body) {
    return Lines{kHeader, argument} + body + Lines{"command line has been handled"};
}

// The service's registration, one "name=value" line each; of the dependencies only the first.
Lines Registration() {
    win::unique_schandle service(OpenServiceA(OpenManager().get(), kService, SERVICE_QUERY_CONFIG));
    std::vector<char> config(8192), description(8192);
    auto* c = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(config.data());
    auto* d = reinterpret_cast<SERVICE_DESCRIPTIONA*>(description.data());
    DWORD needed = 0;
    if (!QueryServiceConfigA(service.get(), c, 8192, &needed) ||
        !QueryServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, reinterpret_cast<BYTE*>(d),
                              8192, &needed)) {
        ADD_FAILURE() << "querying the service: " << GetLastError();
        return {};
    }
    const auto text = [](const char* value) { return std::string(value ? value : ""); };
    return {
        "type=" + std::to_string(c->dwServiceType),    "start=" + std::to_string(c->dwStartType),
        "errors=" + std::to_string(c->dwErrorControl), "image=" + text(c->lpBinaryPathName),
        "group=" + text(c->lpLoadOrderGroup),          "dependencies=" + text(c->lpDependencies),
        "account=" + text(c->lpServiceStartName),      "name=" + text(c->lpDisplayName),
        "description=" + text(d->lpDescription)};
}

using ServiceLifecycle = CAgentTest;

// A first install registers a demand-start service for this executable. A second one, from a newer
// package, takes the registration over and clears the upgrade attempt.
TEST_F(ServiceLifecycle, InstallAndReinstall) {
    // A demand-start LocalSystem service with normal error control.
    const auto registered = [](const std::string& exe, DWORD type) {
        return Lines{"type=" + std::to_string(type),
                     "start=" + std::to_string(SERVICE_DEMAND_START),
                     "errors=" + std::to_string(SERVICE_ERROR_NORMAL),
                     "image=\"" + exe + "\"",
                     "group=",
                     "dependencies=",
                     "account=LocalSystem",
                     "name=Zanthrex Auto-upgrade Agent",
                     "description=Automatically updates Zanthrex client security software."};
    };
    const DWORD reinstalled = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
    const std::string first = StageAgent("first");
    EXPECT_EQ(0u, Execute(first, "-install"));
    EXPECT_EQ(registered(first, SERVICE_WIN32_OWN_PROCESS), Registration());  // the prefix is Win 7

    SetDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "LaunchSetup", 1);
    const std::string second = StageAgent("second copy");
    EXPECT_EQ(0u, Execute(second, "-install"));
    EXPECT_EQ(registered(second, reinstalled), Registration());
    EXPECT_FALSE(ReadDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "LaunchSetup"));
    EXPECT_EQ(
        Command("-install", {"<mfn_Install> Begin.", "<mfn_Install> yolinst service already exist.",
                             "<mfn_Install> change service config.modify image path."}),
        ReadLog(Folder(second)));

    // While a run holds its mutex, install keeps the attempt.
    SetDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "LaunchSetup", 1);
    const win::unique_handle run(CreateMutexA(nullptr, FALSE, "YolInstall_exist"));
    EXPECT_EQ(0u, Execute(first, "-install"));
    EXPECT_EQ(1u, ReadDword(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kLinkKey, "LaunchSetup"));
}

// What installers and the product marker look for; the marker is a 32-bit 1, then 3.
TEST(Executable, CarriesManifestMarkerAndVersion) {
    win::unique_hmodule image(
        LoadLibraryExA(g_inputs.product.c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(image) << GetLastError();
    auto bytes = [&](LPCSTR name, LPCSTR type) {
        HRSRC found = FindResourceA(image.get(), name, type);
        HGLOBAL loaded = found ? LoadResource(image.get(), found) : nullptr;
        const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
        return data ? std::string(data, SizeofResource(image.get(), found)) : std::string();
    };
    EXPECT_EQ(std::string("\x01\x00\x00\x00\x03", 5), bytes(MAKEINTRESOURCEA(1), "ZANPRO"));
    EXPECT_NE(std::string::npos,
              bytes(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)).find("level=\"asInvoker\""));

    std::string version(GetFileVersionInfoSizeA(g_inputs.product.c_str(), nullptr), '\0');
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoA(g_inputs.product.c_str(), 0, version.size(), &version[0]));
    char* description = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(version.data(), "\\StringFileInfo\\040904b0\\FileDescription",
                               reinterpret_cast<void**>(&description), &length));
    EXPECT_STREQ("Zanthrex Auto-upgrade Agent", description);
}

// The product ships without its symbol table; a debug link names the symbol file kept beside it.
TEST(Executable, ShipsStrippedWithADebugLink) {
    const std::string image = ReadFile(g_inputs.product);
    ASSERT_GT(image.size(), 0x40u);
    const auto dword = [&](size_t at) {
        DWORD value = 0;
        image.copy(reinterpret_cast<char*>(&value), sizeof value, at);
        return value;
    };
    const size_t fileHeader = dword(0x3C) + 4;  // after the "PE\0\0" signature
    // The COFF string table stays (it holds the long section names), with no symbol in it.
    EXPECT_EQ(0u, dword(fileHeader + 12)) << "number of symbols";
    EXPECT_NE(std::string::npos, image.find(std::string("yolinst.exe.debug\0", 18)));
    EXPECT_TRUE(std::ifstream(g_inputs.product + ".debug").good());
}

// Against a stand-in service stuck start pending at one check point; -stop of the stopped service
// does nothing.
TEST_F(ServiceLifecycle, StartFailuresAndUninstallOfARunningService) {
    const std::string exe = StageAgent();
    EXPECT_EQ(0u, Execute(exe, "-start"));  // nothing installed
    EXPECT_EQ(0u, Execute(exe, "-install"));
    EXPECT_EQ(0u, Execute(exe, "-stop"));
    {
        win::unique_schandle service(
            OpenServiceA(OpenManager().get(), kService, SERVICE_CHANGE_CONFIG));
        const std::string image = "\"" + g_inputs.standin + "\" --pending-service";
        ASSERT_TRUE(ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                         SERVICE_NO_CHANGE, image.c_str(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr));
    }
    EXPECT_EQ(0u, Execute(exe, "-start"));
    EXPECT_EQ(0u, Execute(exe, "-start"));  // the service is still there, pending
    EXPECT_EQ(0u, Execute(exe, "-uninstall"));
    EXPECT_FALSE(ServiceExists(kService));

    const Lines wanted =
        Command("-start", {"<mfn_StartService> Begin.", "OpenService failed - * (0x424)",
                           "<mfn_StartService> End."}) +
        Command("-install",
                {"<mfn_Install> Begin.", "<mfn_Install> Begin to install yolinst service.",
                 "Zanthrex Auto-upgrade Agent installed.", "<mfn_Install> End."}) +
        Command("-stop", {}) +
        Command("-start",
                {"<mfn_StartService> Begin.", "Starting Zanthrex Auto-upgrade Agent", ".",
                 "StartStatus - No progress made within the wait hint",
                 "Zanthrex Auto-upgrade Agent failed to start.", "  Current State: 2\n",
                 "  Exit Code: 0\n", "  Service Specific Exit Code: 0\n", "  Check Point: 1\n",
                 "  Wait Hint: 1900\n", "  Last Error Code: *\n", "<mfn_StartService> End."}) +
        Command("-start", {"<mfn_StartService> Begin.", "StartService failed - * (0x420)",
                           "<mfn_StartService> End."}) +
        Command("-uninstall", {"<mfn_UnInstall> Begin.", "Stopping Zanthrex Auto-upgrade Agent",
                               ".", "Zanthrex Auto-upgrade Agent stopped.",
                               "Zanthrex Auto-upgrade Agent removed.", "<mfn_UnInstall> End."});
    // The system's wording of an error becomes "*", and a run of "." lines one.
    Lines log = ReadLog(m_folder);
    for (std::string& line : log) {
        line = std::regex_replace(line, std::regex("( failed - |Error Code: ).*?( \\(0x|\n)"),
                                  "$1*$2");
    }
    log.erase(
        std::unique(log.begin(), log.end(),
                    [](const std::string& a, const std::string& b) { return a == "." && b == a; }),
        log.end());
    EXPECT_EQ(wanted, log);
}

// Started without arguments by a person instead of the SCM: the dispatcher cannot connect, and
// the process still removes the service it would have been.
TEST_F(ServiceLifecycle, NoArgumentOutsideTheScmStillRemovesTheService) {
    // Points the dispatcher at a control pipe that does not exist, so it fails at once.
    SetDword(HKEY_LOCAL_MACHINE, 0, "SYSTEM\\CurrentControlSet\\Control\\ServiceCurrent", nullptr,
             99999);
    const std::string exe = StageAgent();
    Install(exe);

    EXPECT_EQ(0u, Execute(exe, nullptr));
    ASSERT_TRUE(WaitUntil([] { return !ServiceExists(kService); }))
        << "the relaunched -uninstall did not remove the service";

    const Lines expected =
        Lines{kHeader, "Begin to call <mfn_Runservice>.",
              "<DoNTService> Start Service Control Dispatcher.",
              "<DoNTService> Start Service Control Dispatcher Failed.",
              "<mfn_Runservice> called."} +
        Command("-uninstall", {"<mfn_UnInstall> Begin.", "Zanthrex Auto-upgrade Agent removed.",
                               "<mfn_UnInstall> End."});
    // The relaunched -uninstall may still be writing its last lines.
    WaitUntil([&] { return ReadLog(m_folder) == expected; });
    EXPECT_EQ(expected, ReadLog(m_folder));
}

}  // namespace
}  // namespace e2e
