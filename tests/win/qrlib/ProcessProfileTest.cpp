// The process's own profile, found from the running executable. The test copies its program two
// directories below a scratch isolate.ini and runs the copy's child test, which sees the profile
// exactly as the product does.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "QrlibTestSupport.h"
#include "qrlib/IsolationProfile.h"
#include "qrlib/WideText.h"
#include "qrlib/qrPathExpansion.h"
#include "win/unique_any.h"

namespace {

using qrtest::kSilo;

const std::wstring kRoot = std::wstring(L"Software\\Zanthrex\\Isolation\\") + kSilo;

// Runs only in the copy (see below): disabled in a plain run.
TEST(ChildProfile, DISABLED_FromIsolateIniAboveTheExecutable) {
    qrLib::CIsolation& isolation = qrLib::ProcessIsolation();
    EXPECT_EQ(isolation.GetSiloName(), qrLib::ToU16(kSilo));
    EXPECT_EQ(isolation.GetRegistryRoot(), qrLib::ToU16(kRoot));

    std::wstring output;
    EXPECT_EQ(qrLib::qrPathExpansion::Expand(L"%QENCONFIGDIR%config.xml", output), 1);
    EXPECT_EQ(output, L"D:\\Child\\Cfg\\config.xml");
    wchar_t common[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, common, CSIDL_COMMON_APPDATA, FALSE));
    EXPECT_EQ(qrLib::qrPathExpansion::Expand(L"%COMMON_SILO_DATA%", output), 1);
    EXPECT_EQ(output, std::wstring(common) + L"\\Zanthrex\\" + kSilo);
}

TEST(ProcessProfile, IsolateIniTwoDirectoriesAboveTheExecutable) {
    qrtest::CScratchDir root;
    const std::wstring program = root.MakeDir(L"a\\b") + L"\\copy.exe";
    std::wstring self;
    ASSERT_EQ(qrLib::GetModulePath(nullptr, self), 0u);
    ASSERT_TRUE(CopyFileW(self.c_str(), program.c_str(), FALSE));
    qrtest::WriteFileBytes(root.Path() + L"\\isolate.ini",
                           qrtest::AnsiBytes("[isolation]\r\nsilo={0A1B2C3D-4E5F-6071-8293-"
                                             "A4B5C6D7E8F9}\r\n"));
    qrtest::SetString(kRoot + qrLib::qrPathExpansion::kMapSubkey, KEY_WOW64_32KEY, L"QENCONFIGDIR",
                      L"D:\\Child\\Cfg\\");

    std::wstring commandLine = L"\"" + program +
                               L"\" --gtest_also_run_disabled_tests "
                               L"--gtest_filter=ChildProfile.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process));
    win::unique_handle processHandle(process.hProcess);
    win::unique_handle threadHandle(process.hThread);
    EXPECT_EQ(WaitForSingleObject(processHandle.get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    EXPECT_TRUE(GetExitCodeProcess(processHandle.get(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
    qrtest::DeleteTree(kRoot, KEY_WOW64_32KEY);
}

}  // namespace
