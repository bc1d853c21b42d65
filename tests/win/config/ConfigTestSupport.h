// The scene of the configuration tests under Wine: a staged package directory for zudUvu.ini, a
// configuration directory for config.xml named by a 12.0 client's product key in the 32-bit view
// (its service is not installed), and the debug log's lines.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../TempDir.h"
#include "../../unit/CapturedLog.h"
#include "win/unique_any.h"

namespace configtest {

constexpr char kProductKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL";

inline void SetProductString(REGSAM view, const char* name, const std::string& value) {
    win::unique_hkey key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                    key.put(), nullptr);
    ASSERT_EQ(
        RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)),
        ERROR_SUCCESS);
}

inline void DeleteProductKeys() {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        win::unique_hkey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_ALL_ACCESS | view, key.put()) ==
            ERROR_SUCCESS) {
            RegDeleteTreeA(key.get(), nullptr);  // other tests leave the link key below
            key.reset();
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kProductKey, view, 0);
        }
    }
}

// The management client's service, installed while the owner lives.
class CClientService {
public:
    CClientService()
        : m_manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)),
          m_service(CreateServiceA(m_manager.get(), "yolService", "yolService", SERVICE_ALL_ACCESS,
                                   SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                   SERVICE_ERROR_NORMAL, "C:\\windows\\notepad.exe", nullptr,
                                   nullptr, nullptr, nullptr, nullptr)) {}
    ~CClientService() { DeleteService(m_service.get()); }

private:
    win::unique_schandle m_manager, m_service;
};

class ConfigTest : public testing::Test {
protected:
    ConfigTest() {
        DeleteProductKeys();
        SetProductString(KEY_WOW64_32KEY, "ProductVersion", "12.0.1000");
        SetProductString(KEY_WOW64_32KEY, "yol_install_path", m_config.path() + "\\");
    }
    ~ConfigTest() override { DeleteProductKeys(); }

    void WriteConfig(const std::string& xml) const {
        WriteFileText(m_config.File("config.xml"), xml);
    }
    void WriteZudUvu(const std::string& text) const { WriteFileText(ZudUvu(), text); }
    std::string ZudUvu() const { return m_package.File("zudUvu.ini"); }

    CTempDir m_package{"yol-config-package"};
    CTempDir m_config{"yol-config-dir"};
    CCapturedLog m_log;
};

}  // namespace configtest
