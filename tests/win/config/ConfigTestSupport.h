// The scene of the configuration tests under Wine: a staged package directory for zudUvu.ini, a
// configuration directory for config.xml named by a 12.0 client's product key in the 32-bit view
// (its service is not installed), and the debug log's lines.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

#include "../Registry.h"
#include "../TempDir.h"
#include "../../unit/CapturedLog.h"
#include "win/unique_any.h"

namespace configtest {

constexpr char kProductKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL";
const std::wstring kWideProductKey(std::begin(kProductKey), std::end(kProductKey) - 1);

inline void SetProductString(REGSAM view, const char* name, const std::string& value) {
    wintest::SetString({HKEY_LOCAL_MACHINE, kWideProductKey, view},
                       std::wstring(name, name + strlen(name)).c_str(),
                       std::wstring(value.begin(), value.end()));
}

// Both views, with the link key other tests leave below.
inline void DeleteProductKeys() {
    wintest::DeleteTree({HKEY_LOCAL_MACHINE, kWideProductKey, KEY_WOW64_32KEY});
    wintest::DeleteTree({HKEY_LOCAL_MACHINE, kWideProductKey, KEY_WOW64_64KEY});
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
