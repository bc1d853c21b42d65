// The service probe, the registry-view rule and registry values and deletion against Wine's real
// SCM and registry views.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "agent/ProductRegistry.h"
#include "agent/ServiceProbe.h"
#include "win/unique_any.h"

namespace {

TEST(ServiceProbe, AnswersWhetherTheServiceExistsAndPicksTheClientView) {
    EXPECT_FALSE(IsServiceInstalled("YolProbeNoSuchService"));
    EXPECT_EQ(ClientRegistryView(), static_cast<REGSAM>(KEY_WOW64_32KEY));

    win::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    win::unique_schandle client(
        CreateServiceA(manager.get(), "yolService", "yolService", SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       "C:\\windows\\notepad.exe", nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(client);
    EXPECT_TRUE(IsServiceInstalled("yolService"));
    EXPECT_EQ(ClientRegistryView(), static_cast<REGSAM>(KEY_WOW64_64KEY));
    DeleteService(client.get());
    client.reset();
    EXPECT_FALSE(IsServiceInstalled("yolService"));
}

TEST(ProductRegistry, ReadsOnlyFourByteDwordsAndDeletesInTheNamedViewOnly) {
    constexpr char kKey[] = "SOFTWARE\\Zanthrex\\YolWinTest";
    const std::string child = std::string(kKey) + "\\Child";
    ASSERT_EQ(SetRegistryDword(HKEY_LOCAL_MACHINE, kKey, "LaunchSetup", 1, KEY_WOW64_32KEY), 0);
    ASSERT_EQ(SetRegistryDword(HKEY_LOCAL_MACHINE, child.c_str(), "v", 1, KEY_WOW64_64KEY), 0);

    // Values of the wrong type or size read as absent, as a missing value does.
    win::unique_hkey key;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.put()),
        ERROR_SUCCESS);
    const BYTE bytes[8] = {1};
    RegSetValueExA(key.get(), "LaunchSetup", 0, REG_DWORD, bytes, 4);
    // Every other type, even with four bytes that would read as 1, and a DWORD of two bytes.
    const DWORD others[] = {REG_NONE, REG_SZ,       REG_EXPAND_SZ, REG_BINARY, REG_DWORD_BIG_ENDIAN,
                            REG_LINK, REG_MULTI_SZ, REG_QWORD,     REG_DWORD};
    for (const DWORD type : others) {
        const std::string name = "type" + std::to_string(type);
        RegSetValueExA(key.get(), name.c_str(), 0, type, bytes, type == REG_DWORD ? 2 : 4);
        EXPECT_FALSE(ReadRegistryDword(HKEY_LOCAL_MACHINE, kKey, name.c_str(), KEY_WOW64_64KEY))
            << name;
    }
    key.reset();
    EXPECT_FALSE(ReadRegistryDword(HKEY_LOCAL_MACHINE, kKey, "Missing", KEY_WOW64_64KEY));

    EXPECT_EQ(DeleteRegistryEntry(HKEY_LOCAL_MACHINE, kKey, "LaunchSetup", KEY_WOW64_32KEY),
              ERROR_SUCCESS);
    EXPECT_FALSE(ReadRegistryDword(HKEY_LOCAL_MACHINE, kKey, "LaunchSetup", KEY_WOW64_32KEY));
    EXPECT_EQ(ReadRegistryDword(HKEY_LOCAL_MACHINE, kKey, "LaunchSetup", KEY_WOW64_64KEY), 1u);
    EXPECT_EQ(DeleteRegistryEntry(HKEY_LOCAL_MACHINE, kKey, "LaunchSetup", KEY_WOW64_32KEY),
              ERROR_FILE_NOT_FOUND);

    // Without a value name the key goes, subkeys included.
    EXPECT_EQ(DeleteRegistryEntry(HKEY_LOCAL_MACHINE, kKey, nullptr, KEY_WOW64_64KEY),
              ERROR_SUCCESS);
    win::unique_hkey gone;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | KEY_WOW64_64KEY, gone.put()),
              ERROR_SUCCESS);
    DeleteRegistryEntry(HKEY_LOCAL_MACHINE, kKey, nullptr, KEY_WOW64_32KEY);
}

}  // namespace
