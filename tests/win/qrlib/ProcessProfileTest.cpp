// The process's own profile, found from the running executable: the test copies its program two
// directories below a scratch isolate.ini and runs the copy's child test, which sees the profile
// exactly as the product does.
#include "QrlibTestSupport.h"
#include "qrlib/IsolationProfile.h"
#include "qrlib/WideText.h"
#include "qrlib/qrPathExpansion.h"
#include "win/unique_any.h"

namespace {

// Runs only in the copy (see below): disabled in a plain run.
TEST(ChildProfile, DISABLED_FromIsolateIniAboveTheExecutable) {
    EXPECT_EQ(qrLib::ProcessIsolation().GetRegistryRoot(), qrLib::ToU16(qrtest::kRoot));
    std::wstring output;
    EXPECT_EQ(qrLib::qrPathExpansion::Expand(L"%QENCONFIGDIR%config.xml", output), 1);
    EXPECT_EQ(output, L"D:\\Child\\Cfg\\config.xml");
}

using ProcessProfile = qrtest::QrlibTest;

TEST_F(ProcessProfile, IsolateIniTwoDirectoriesAboveTheExecutable) {
    std::wstring self;
    ASSERT_EQ(qrLib::GetModulePath(nullptr, self), 0u);
    ASSERT_TRUE(CopyFileW(self.c_str(), m_program.c_str(), FALSE));
    WriteIsolateIni("silo={0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\r\n");
    qrtest::SetValue(qrtest::kRoot + qrLib::qrPathExpansion::kMapSubkey, KEY_WOW64_32KEY,
                     L"QENCONFIGDIR", L"D:\\Child\\Cfg\\");

    std::wstring commandLine =
        L"\"" + m_program + L"\" --gtest_also_run_disabled_tests --gtest_filter=ChildProfile.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(m_program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process));
    win::unique_handle processHandle(process.hProcess);
    win::unique_handle threadHandle(process.hThread);
    EXPECT_EQ(WaitForSingleObject(processHandle.get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    EXPECT_TRUE(GetExitCodeProcess(processHandle.get(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
