#include "qrlib/qrPathExpansion.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "QrlibTestSupport.h"
#include "qrlib/BuiltinFolders.h"
#include "qrlib/IsolationProfile.h"
#include "qrlib/WideText.h"

namespace {

using qrLib::qrPathExpansion::Expand;
using qrtest::kSilo;

const std::wstring kRoot = std::wstring(L"Software\\Zanthrex\\Isolation\\") + kSilo;
const std::wstring kMap = kRoot + qrLib::qrPathExpansion::kMapSubkey;

// A program with isolate.ini beside it naming kSilo, and the silo's map in the 32-bit view.
class PathExpansion : public ::testing::Test {
protected:
    PathExpansion()
        : m_program(m_dir.Path() + L"\\prog.exe"), m_source(m_program), m_isolation(m_source) {
        qrtest::WriteFileBytes(m_dir.Path() + L"\\isolate.ini",
                               qrtest::AnsiBytes("[isolation]\r\nsilo={0A1B2C3D-4E5F-6071-8293-"
                                                 "A4B5C6D7E8F9}\r\n"));
        qrtest::SetString(kMap, KEY_WOW64_32KEY, L"QENCONFIGDIR", L"D:\\Data\\Cfg\\");
    }
    ~PathExpansion() override {
        qrtest::DeleteTree(kRoot, KEY_WOW64_32KEY);
        qrtest::DeleteTree(kRoot, KEY_WOW64_64KEY);
    }

    void Map(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
        qrtest::SetString(kMap, KEY_WOW64_32KEY, name, value, type);
    }
    std::pair<std::int32_t, std::wstring> Run(const wchar_t* input) {
        std::wstring output = L"caller's";
        const std::int32_t result = Expand(input, output, m_isolation);
        return {result, output};
    }
    static std::pair<std::int32_t, std::wstring> Ok(const std::wstring& output) {
        return {1, output};
    }
    static std::pair<std::int32_t, std::wstring> Failed(const std::wstring& output) {
        return {0, output};
    }

    qrtest::CScratchDir m_dir;
    std::wstring m_program;
    qrLib::CIniIsolationSource m_source;
    qrLib::CIsolation m_isolation;
};

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, path)) ? path
                                                                                          : L"";
}

TEST_F(PathExpansion, TheMapIsReadFromThe32BitView) {
    EXPECT_EQ(Run(L"%QENCONFIGDIR%"), Ok(L"D:\\Data\\Cfg\\"));
    EXPECT_EQ(Run(L"%QENCONFIGDIR%\\config.xml"), Ok(L"D:\\Data\\Cfg\\config.xml"));
    Map(L"A", L"%B%\\x");
    Map(L"B", L"D:\\y");
    EXPECT_EQ(Run(L"%a%"), Ok(L"D:\\y\\x"));

    // The 64-bit view's map is another key.
    qrtest::SetString(kMap, KEY_WOW64_64KEY, L"ONLY64", L"D:\\64");
    EXPECT_EQ(Run(L"%ONLY64%"), Failed(L"%ONLY64%"));
}

TEST_F(PathExpansion, OnlyStringValuesOfEvenSizeCountAndAreUsedAsStored) {
    Map(L"EXPANDABLE", L"%CSIDL_WINDOWS%\\x", REG_EXPAND_SZ);
    EXPECT_EQ(Run(L"%EXPANDABLE%"), Ok(ShellFolder(CSIDL_WINDOWS) + L"\\x"));
    // Environment references are not expanded: %SystemRoot% is an unknown variable here.
    Map(L"ENVIRONMENT", L"%SystemRoot%", REG_EXPAND_SZ);
    EXPECT_EQ(Run(L"%ENVIRONMENT%"), Failed(L"%ENVIRONMENT%"));

    const DWORD number = 7;
    qrtest::SetRaw(kMap, KEY_WOW64_32KEY, L"NUMBER", REG_DWORD, &number, sizeof(number));
    EXPECT_EQ(Run(L"%NUMBER%"), Failed(L"%NUMBER%"));
    qrtest::SetRaw(kMap, KEY_WOW64_32KEY, L"ODD", REG_SZ, L"D:\\odd", 7);
    EXPECT_EQ(Run(L"%ODD%"), Failed(L"%ODD%"));
    // Data without a terminating NUL, and data with text after one.
    qrtest::SetRaw(kMap, KEY_WOW64_32KEY, L"BARE", REG_SZ, L"D:\\bare", 14);
    EXPECT_EQ(Run(L"%BARE%"), Ok(L"D:\\bare"));
    qrtest::SetRaw(kMap, KEY_WOW64_32KEY, L"TAIL", REG_SZ, L"D:\\t\0junk", 20);
    EXPECT_EQ(Run(L"%TAIL%"), Ok(L"D:\\t"));
}

TEST_F(PathExpansion, MapEntriesShadowTheTableAndBadValuesFail) {
    Map(L"CSIDL_WINDOWS", L"M:\\Win");
    EXPECT_EQ(Run(L"%CSIDL_WINDOWS%"), Ok(L"M:\\Win"));
    Map(L"SELF", L"%SELF%");
    EXPECT_EQ(Run(L"%SELF%"), Failed(L"%SELF%"));
    Map(L"LONE", L"50%");
    EXPECT_EQ(Run(L"%LONE%"), Failed(L"%LONE%"));
    Map(L"UNC", L"\\\\server\\share\\");
    EXPECT_EQ(Run(L"%UNC%\\\\dir"), Ok(L"\\\\server\\share\\dir"));
    Map(L"HUGE", std::wstring(40000, L'h'));
    EXPECT_EQ(Run(L"%HUGE%"), Failed(L"%HUGE%"));
    EXPECT_EQ(Run(L"ab"), Failed(L"ab"));
    EXPECT_EQ(Run(nullptr), Failed(L"caller's"));
}

TEST_F(PathExpansion, WithoutTheMapKeyNothingExpands) {
    qrtest::DeleteTree(kRoot, KEY_WOW64_32KEY);
    EXPECT_EQ(Run(L"%CSIDL_WINDOWS%"), Failed(L"caller's"));
    EXPECT_EQ(Run(L"plain"), Failed(L"caller's"));
}

TEST_F(PathExpansion, BuiltinNamesResolveToTheShellsFolders) {
    wchar_t directory[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(directory, MAX_PATH), 0u);
    EXPECT_EQ(Run(L"%CSIDL_WINDOWS%"), Ok(directory));
    ASSERT_GT(GetSystemDirectoryW(directory, MAX_PATH), 0u);
    EXPECT_EQ(Run(L"%csidl_system%"), Ok(directory));
    EXPECT_EQ(Run(L"%CSIDL_PROGRAM_FILESX64%"), Ok(L"C:\\Program Files"));
    EXPECT_EQ(Run(L"%CSIDL_PROGRAM_FILES_COMMONX64%"), Ok(L"C:\\Program Files\\Common Files"));
    EXPECT_EQ(Run(L"%CSIDL_PROGRAM_FILESX86%"), Ok(L"C:\\Program Files (x86)"));

    // Spot checks that the table carries the shell's constants.
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"CSIDL_COMMON_OEM_LINKS")->id, CSIDL_COMMON_OEM_LINKS);
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"CSIDL_COMPUTERSNEARME")->id, CSIDL_COMPUTERSNEARME);
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"CSIDL_RESOURCES_LOCALIZED")->id,
              CSIDL_RESOURCES_LOCALIZED);

    // Every shell folder name expands exactly when the shell has a default path for it.
    for (const qrLib::BuiltinFolder& folder : qrLib::kBuiltinFolders) {
        if (folder.id >= qrLib::kCommonSiloData) {
            continue;
        }
        const std::wstring input = L"%" + qrLib::ToWide(folder.name) + L"%";
        const std::wstring expected = ShellFolder(static_cast<int>(folder.id));
        EXPECT_EQ(Run(input.c_str()), expected.empty() ? Failed(input) : Ok(expected)) << input;
    }
}

TEST_F(PathExpansion, SiloDataDirectoriesAppendTheExtensionAndTheSilo) {
    wchar_t common[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, common, CSIDL_COMMON_APPDATA, FALSE));
    EXPECT_EQ(Run(L"%COMMON_SILO_DATA%"), Ok(std::wstring(common) + L"\\Zanthrex\\" + kSilo));

    wchar_t local[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE));
    Map(L"APPDATAEXTENSION", L"%VENDOR%\\Client");
    Map(L"VENDOR", L"Acme");
    EXPECT_EQ(Run(L"%LOCAL_SILO_DATA%\\logs"),
              Ok(std::wstring(local) + L"\\Acme\\Client\\" + kSilo + L"\\logs"));

    // An extension that leads back to the silo data directories falls back to the default.
    Map(L"APPDATAEXTENSION", L"%COMMON_SILO_DATA%");
    EXPECT_EQ(Run(L"%LOCAL_SILO_DATA%"), Ok(std::wstring(local) + L"\\Zanthrex\\" + kSilo));
}

}  // namespace
