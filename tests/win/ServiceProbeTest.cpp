// The service probe, the registry-view rule and registry deletion against Wine's real SCM and
// registry views.
#include <windows.h>

#include <gtest/gtest.h>

#include "agent/LaunchProcess.h"
#include "agent/ProductRegistry.h"
#include "agent/ServiceProbe.h"
#include "win/unique_any.h"

namespace {

// Registers a service that is never started, and removes it again.
class CScratchService {
public:
    explicit CScratchService(const char* name) {
        m_manager.reset(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        m_service.reset(CreateServiceA(m_manager.get(), name, name, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, "C:\\windows\\notepad.exe", nullptr,
                                       nullptr, nullptr, nullptr, nullptr));
    }
    ~CScratchService() {
        if (m_service) {
            DeleteService(m_service.get());
        }
    }
    bool created() const { return static_cast<bool>(m_service); }

private:
    win::unique_schandle m_manager;
    win::unique_schandle m_service;
};

constexpr char kTestKey[] = "SOFTWARE\\Zanthrex\\YolWinTest";

bool ValueExists(REGSAM view, const char* key, const char* value) {
    win::unique_hkey opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS) {
        return false;
    }
    return RegQueryValueExA(opened.get(), value, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

void SeedValue(REGSAM view, const char* key, const char* value) {
    win::unique_hkey created;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                              nullptr, created.put(), nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExA(created.get(), value, 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&one), sizeof one),
              ERROR_SUCCESS);
}

TEST(ServiceProbe, AnswersWhetherTheServiceExistsAndPicksTheClientView) {
    EXPECT_FALSE(IsServiceInstalled("YolProbeNoSuchService"));
    EXPECT_EQ(ClientRegistryView(), static_cast<REGSAM>(KEY_WOW64_32KEY));
    {
        CScratchService client("yolService");
        ASSERT_TRUE(client.created());
        EXPECT_TRUE(IsServiceInstalled("yolService"));
        EXPECT_EQ(ClientRegistryView(), static_cast<REGSAM>(KEY_WOW64_64KEY));
    }
    EXPECT_FALSE(IsServiceInstalled("yolService"));
}

TEST(ProductRegistry, DeletesInTheNamedViewOnly) {
    SeedValue(KEY_WOW64_32KEY, kTestKey, "LaunchSetup");
    SeedValue(KEY_WOW64_64KEY, kTestKey, "LaunchSetup");
    EXPECT_EQ(DeleteRegistryEntry(HKEY_LOCAL_MACHINE, kTestKey, "LaunchSetup", KEY_WOW64_32KEY),
              ERROR_SUCCESS);
    EXPECT_FALSE(ValueExists(KEY_WOW64_32KEY, kTestKey, "LaunchSetup"));
    EXPECT_TRUE(ValueExists(KEY_WOW64_64KEY, kTestKey, "LaunchSetup"));
    EXPECT_EQ(DeleteRegistryEntry(HKEY_LOCAL_MACHINE, kTestKey, "LaunchSetup", KEY_WOW64_32KEY),
              ERROR_FILE_NOT_FOUND);

    // Without a value name the key goes, subkeys included.
    const std::string child = std::string(kTestKey) + "\\Child";
    SeedValue(KEY_WOW64_64KEY, child.c_str(), "v");
    EXPECT_EQ(DeleteRegistryEntry(HKEY_LOCAL_MACHINE, kTestKey, nullptr, KEY_WOW64_64KEY),
              ERROR_SUCCESS);
    EXPECT_FALSE(ValueExists(KEY_WOW64_64KEY, child.c_str(), "v"));
    win::unique_hkey gone;
    EXPECT_NE(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ | KEY_WOW64_64KEY, gone.put()),
        ERROR_SUCCESS);
    DeleteRegistryEntry(HKEY_LOCAL_MACHINE, kTestKey, nullptr, KEY_WOW64_32KEY);
}

TEST(LaunchProcess, StartsAndWaitsOrReportsFailure) {
    char cmd[MAX_PATH] = {};
    GetSystemDirectoryA(cmd, MAX_PATH);
    lstrcatA(cmd, "\\cmd.exe");
    EXPECT_EQ(LaunchProcessAndWait(cmd, "cmd.exe /c exit 3", true), 0);
    EXPECT_EQ(LaunchProcessAndWait("C:\\no\\such\\program.exe", nullptr, true), -1);
}

}  // namespace
