#include "ConfigTestSupport.h"

#include <fstream>
#include <iterator>

#include "win/unique_any.h"

namespace configtest {

void SetProductString(REGSAM view, const char* name, const std::string& value) {
    win::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_SET_VALUE | view,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)),
        ERROR_SUCCESS);
}

void DeleteProductKeys() {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        win::unique_hkey software;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zanthrex", 0, KEY_ALL_ACCESS | view,
                          software.put()) == ERROR_SUCCESS) {
            RegDeleteTreeA(software.get(), "Zanthrex Bastion");
        }
    }
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

ConfigTest::ConfigTest() {
    DeleteProductKeys();
    SetProductString(KEY_WOW64_32KEY, "ProductVersion", "12.0.1000");
    SetProductString(KEY_WOW64_32KEY, "yol_install_path", m_config.path() + "\\");
}

}  // namespace configtest
