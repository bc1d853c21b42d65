// The scene of the qrlib tests under Wine: a scratch program directory and registry values.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../Registry.h"
#include "../TempDir.h"

namespace qrtest {

constexpr wchar_t kSilo[] = L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
// The silo's registry root under the default hive.
const std::wstring kRoot = std::wstring(L"Software\\Zanthrex\\Isolation\\") + kSilo;

// A program two directories below a fresh scratch root: <root>\a\b\prog.exe. The file need not
// exist, as only the directories above it are searched. Removes the root and the silo's registry
// keys afterwards.
class QrlibTest : public ::testing::Test {
protected:
    QrlibTest() { std::filesystem::create_directories(m_root + L"\\a\\b"); }
    ~QrlibTest() override {
        wintest::DeleteTree({HKEY_LOCAL_MACHINE, kRoot, KEY_WOW64_32KEY});
        wintest::DeleteTree({HKEY_LOCAL_MACHINE, kRoot, KEY_WOW64_64KEY});
    }
    // isolate.ini in the root, 8-bit, with `lines` under an "[isolation]" header.
    void WriteIsolateIni(const std::string& lines) const {
        WriteFileText(m_dir.File("isolate.ini"), "[isolation]\r\n" + lines);
    }

    CTempDir m_dir{"qrlib"};
    const std::wstring m_root{m_dir.path().begin(), m_dir.path().end()};
    const std::wstring m_program = m_root + L"\\a\\b\\prog.exe";
};

}  // namespace qrtest
