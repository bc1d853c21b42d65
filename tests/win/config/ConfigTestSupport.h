// The scene of the configuration tests under Wine: a staged package directory with zudUvu.ini, a
// configuration directory with config.xml named by the product key, and the debug log's lines.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../TempDir.h"
#include "diagnostics/DebugLog.h"

namespace configtest {

constexpr char kProductKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL";

// Sets a string value of the product key in one view, creating the key.
void SetProductString(REGSAM view, const char* name, const std::string& value);
void DeleteProductKeys();
// The file's bytes; empty when it cannot be read.
std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

// Records the debug log's lines while it exists.
class CCapturedLog : public IDebugLog {
public:
    CCapturedLog() : m_previous(InstallDebugLog(this)) {}
    ~CCapturedLog() override { InstallDebugLog(m_previous); }
    void Enable() override {}
    void Disable() override {}
    bool IsEnabled() const override { return true; }
    void Output(const outputstr& line) override { text += line.c_str(); }
    std::string text;

private:
    IDebugLog* m_previous;
};

// A client of version 12.0 whose configuration directory is named in the 32-bit view, as on a
// machine where the management client's service is not installed.
class ConfigTest : public testing::Test {
protected:
    ConfigTest();
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
