#include "qrlib/IsolationProfile.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>
#include <thread>

#include "QrlibTestSupport.h"
#include "qrlib/WideText.h"
#include "qrlib/qrPathExpansion.h"
#include "win/unique_any.h"

namespace {

using qrtest::CScratchDir;
using qrtest::kSilo;

// A program two directories below the scratch root: <root>\a\b\prog.exe. The file itself need not
// exist; only the directories above it are searched.
class IsolationProfile : public ::testing::Test {
protected:
    IsolationProfile() : m_lower(m_root.MakeDir(L"a\\b")), m_program(m_lower + L"\\prog.exe") {}

    void WriteIni(const std::wstring& directory, const std::string& text) {
        qrtest::WriteFileBytes(directory + L"\\isolate.ini", qrtest::AnsiBytes(text));
    }
    std::string Profile(const std::string& lines) { return "[isolation]\r\n" + lines; }

    DWORD Hive(std::wstring& hive, DWORD size = 100) {
        hive.assign(size, L'#');
        const DWORD result = qrLib::GetRegistryHiveAt(m_program.c_str(), hive.data(), size);
        hive.resize(hive.find(L'\0') == std::wstring::npos ? 0 : hive.find(L'\0'));
        return result;
    }
    DWORD Silo(std::wstring& silo, DWORD size = 40) {
        silo.assign(size, L'#');
        const DWORD result = qrLib::ReadSiloFromIniAt(m_program.c_str(), silo.data(), size);
        silo.resize(silo.find(L'\0') == std::wstring::npos ? 0 : silo.find(L'\0'));
        return result;
    }

    CScratchDir m_root;
    std::wstring m_lower;
    std::wstring m_program;
};

TEST_F(IsolationProfile, WithoutIsolateIniTheHiveIsTheDefaultButThereIsNoSilo) {
    std::wstring value;
    EXPECT_EQ(Hive(value), 0u);
    EXPECT_EQ(value, L"Software\\Zanthrex\\Isolation");
    EXPECT_EQ(Silo(value), 2u);

    qrLib::CIniIsolationSource source(m_program);
    qrLib::CIsolation isolation(source);
    EXPECT_EQ(isolation.GetSiloName(), std::nullopt);
    EXPECT_EQ(isolation.GetRegistryRoot(), std::nullopt);
}

TEST_F(IsolationProfile, IsolateIniTwoDirectoriesUpGivesTheDefaultHiveAndItsSilo) {
    WriteIni(m_root.Path(), Profile("Silo = {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\r\n"));
    qrLib::CIniIsolationSource source(m_program);
    qrLib::CIsolation isolation(source);
    EXPECT_EQ(isolation.GetSiloName(), std::u16string(u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"));
    EXPECT_EQ(
        isolation.GetRegistryRoot(),
        std::u16string(u"Software\\Zanthrex\\Isolation\\{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"));

    // The nearest file wins.
    WriteIni(m_lower, Profile("silo={11111111-2222-3333-4444-555555555555}\r\n"));
    std::wstring silo;
    EXPECT_EQ(Silo(silo), 0u);
    EXPECT_EQ(silo, L"{11111111-2222-3333-4444-555555555555}");
}

TEST_F(IsolationProfile, BufferSizesAndSiloValidation) {
    std::wstring value;
    EXPECT_EQ(Hive(value, 99), 87u);
    EXPECT_EQ(Silo(value, 37), 87u);
    EXPECT_EQ(qrLib::GetRegistryHive(nullptr, nullptr, 100), 87u);

    // A hive of 99 characters fills a 100-character buffer.
    WriteIni(m_root.Path(), Profile("reghive=" + std::string(99, 'h') +
                                    "\r\nsilo=" + "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}x\r\n"));
    EXPECT_EQ(Hive(value), 122u);
    EXPECT_EQ(Silo(value), 122u);  // 39 characters fill 40
    EXPECT_EQ(Silo(value, 41), 13u);
    EXPECT_EQ(value, L"");

    for (const char* bad :
         {"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9", "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8FG}", ""}) {
        WriteIni(m_root.Path(), Profile(std::string("silo=") + bad + "\r\n"));
        EXPECT_EQ(Silo(value), 13u) << bad;
        EXPECT_EQ(value, L"");
    }
    WriteIni(m_root.Path(), "[isolation]\nsilo={0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\n");
    EXPECT_EQ(Silo(value), 13u);  // bare line feeds: no key line at all
}

TEST_F(IsolationProfile, TheHiveKeyIsTriedInThe32BitView) {
    const std::wstring hive = L"Software\\QrlibTest\\Hive32";
    WriteIni(m_root.Path(), Profile("reghive=" + std::string(hive.begin(), hive.end()) + "\r\n"));
    std::wstring value;
    {
        // Only in the 64-bit view: not found from the 32-bit one, but the value is kept.
        qrtest::SetString(hive, KEY_WOW64_64KEY, L"v", L"x");
        qrtest::CDebugOutputCapture debugger;
        EXPECT_EQ(Hive(value), 0u);
        EXPECT_EQ(value, hive);
        EXPECT_TRUE(debugger.Saw(qrLib::kHiveNotFoundText));
        qrtest::DeleteTree(L"Software\\QrlibTest", KEY_WOW64_64KEY);
    }
    {
        qrtest::SetString(hive, KEY_WOW64_32KEY, L"v", L"x");
        qrtest::CDebugOutputCapture debugger;
        EXPECT_EQ(Hive(value), 0u);
        EXPECT_EQ(value, hive);
        EXPECT_TRUE(debugger.SawNothing());
        qrtest::DeleteTree(L"Software\\QrlibTest", KEY_WOW64_32KEY);
    }
}

TEST_F(IsolationProfile, AHiveThatCannotBeOpenedForOtherReasonsIsInvalid) {
    // An empty value names HKLM itself, which opens: the empty buffer is still invalid.
    WriteIni(m_root.Path(), Profile("reghive=\r\n"));
    std::wstring value;
    EXPECT_EQ(Hive(value), 13u);
    // A path with a leading backslash is not a relative key path.
    WriteIni(m_root.Path(), Profile("reghive=\\Software\\Zanthrex\r\n"));
    EXPECT_EQ(Hive(value), 13u);
    EXPECT_EQ(value, L"");
}

TEST_F(IsolationProfile, ADeniedHiveKeyIsStillUsed) {
    const std::wstring hive = L"Software\\QrlibTest\\Denied";
    // Nobody may read the key, its owner included.
    win::unique_hlocal descriptor;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(D;;KA;;;WD)", SDDL_REVISION_1,
        reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    win::unique_hkey created;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, hive.c_str(), 0, nullptr, 0,
                              KEY_WOW64_32KEY | KEY_WRITE, &attributes, created.put(), nullptr),
              ERROR_SUCCESS);
    created.reset();
    win::unique_hkey probe;
    const LONG denied =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, hive.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, probe.put());
    probe.reset();
    if (denied != ERROR_ACCESS_DENIED) {
        qrtest::DeleteTree(L"Software\\QrlibTest", KEY_WOW64_32KEY);
        GTEST_SKIP() << "this registry does not enforce the key's security (" << denied << ")";
    }
    WriteIni(m_root.Path(), Profile("reghive=" + std::string(hive.begin(), hive.end()) + "\r\n"));
    qrtest::CDebugOutputCapture debugger;
    std::wstring value;
    EXPECT_EQ(Hive(value), 0u);
    EXPECT_EQ(value, hive);
    EXPECT_TRUE(debugger.Saw(qrLib::kHiveAccessDeniedText));
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, hive.c_str(), KEY_WOW64_32KEY, 0);
    qrtest::DeleteTree(L"Software\\QrlibTest", KEY_WOW64_32KEY);
}

TEST_F(IsolationProfile, TwoThreadsSetTheProfileUpOnce) {
    WriteIni(m_root.Path(), Profile("silo={0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\r\n"));
    qrLib::CIniIsolationSource source(m_program);
    qrLib::CIsolation isolation(source);
    std::optional<std::u16string> first;
    std::optional<std::u16string> second;
    std::thread one([&] { first = isolation.GetRegistryRoot(); });
    std::thread two([&] { second = isolation.GetRegistryRoot(); });
    one.join();
    two.join();
    EXPECT_TRUE(first.has_value());
    EXPECT_EQ(first, second);
}

TEST(ProcessIsolation, TheTestProgramHasNoProfileUntilASiloIsGiven) {
    std::wstring modulePath;
    ASSERT_EQ(qrLib::GetModulePath(nullptr, modulePath), 0u);
    std::wstring iniPath;
    if (qrLib::FindIsolateIni(modulePath.c_str(), iniPath) == 0) {
        GTEST_SKIP() << "an isolate.ini lies above the test program: " << iniPath;
    }
    qrLib::CIsolation& isolation = qrLib::ProcessIsolation();
    EXPECT_EQ(isolation.GetSiloName(), std::nullopt);
    EXPECT_FALSE(isolation.SetRegistryHive(u"Software\\Other"));
    std::wstring output = L"untouched";
    EXPECT_EQ(qrLib::qrPathExpansion::Expand(L"%CSIDL_WINDOWS%", output), 0);
    EXPECT_EQ(output, L"untouched");

    // Nothing was cached: a silo given now sets the profile up with the default hive.
    const std::wstring root = std::wstring(L"Software\\Zanthrex\\Isolation\\") + kSilo;
    qrtest::SetString(root + qrLib::qrPathExpansion::kMapSubkey, KEY_WOW64_32KEY, L"QrlibProcess",
                      L"D:\\process");
    EXPECT_TRUE(isolation.Initialize(u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"));
    EXPECT_EQ(isolation.GetRegistryRoot(), qrLib::ToU16(root));
    EXPECT_EQ(qrLib::qrPathExpansion::Expand(L"%QRLIBPROCESS%\\x", output), 1);
    EXPECT_EQ(output, L"D:\\process\\x");
    qrtest::DeleteTree(root, KEY_WOW64_32KEY);
}

}  // namespace
