// The scene of the qrlib tests under Wine: a scratch program directory, files, registry values and
// the text the process sends to the debugger.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qrtest {

constexpr wchar_t kSilo[] = L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
// The silo's registry root under the default hive.
const std::wstring kRoot = std::wstring(L"Software\\Zanthrex\\Isolation\\") + kSilo;

// A program two directories below a fresh scratch root: <root>\a\b\prog.exe. The file need not
// exist, as only the directories above it are searched. Removes the root and the silo's registry
// keys afterwards.
class QrlibTest : public ::testing::Test {
protected:
    QrlibTest();
    ~QrlibTest() override;
    // isolate.ini in the root, 8-bit, with `lines` under an "[isolation]" header.
    void WriteIsolateIni(const std::string& lines) const;

    std::wstring m_root;
    std::wstring m_program;
};

// Writes the file `path` with exactly `bytes`.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Sets value `name` of HKLM\`key` in one view (KEY_WOW64_32KEY or KEY_WOW64_64KEY), creating the
// key. The data is the first `bytes` bytes of `data`, or (0) the whole string with its NUL.
void SetValue(const std::wstring& key, REGSAM view, const wchar_t* name, const std::wstring& data,
              DWORD type = REG_SZ, DWORD bytes = 0);
void DeleteTree(const std::wstring& key, REGSAM view);

// What the process sends to the debugger while `action` runs.
std::vector<std::wstring> DebugOutputOf(const std::function<void()>& action);

}  // namespace qrtest
