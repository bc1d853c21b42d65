#include "qrlib/qrPathExpansion.h"

#include <shlobj.h>

#include "QrlibTestSupport.h"
#include "qrlib/BuiltinFolders.h"
#include "qrlib/IsolationProfile.h"
#include "qrlib/WideText.h"

namespace {

using Result = std::pair<std::int32_t, std::wstring>;

const std::wstring kMap = qrtest::kRoot + qrLib::qrPathExpansion::kMapSubkey;

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, path)) ? path
                                                                                          : L"";
}

// The program's isolate.ini names kSilo, whose map lies in the 32-bit view.
class PathExpansion : public qrtest::QrlibTest {
protected:
    PathExpansion() {
        WriteIsolateIni("silo={0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\r\n");
        Map(L"QENCONFIGDIR", L"D:\\Data\\Cfg\\");
    }
    void Map(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ, DWORD bytes = 0) {
        qrtest::SetValue(kMap, KEY_WOW64_32KEY, name, value, type, bytes);
    }
    Result Run(const wchar_t* input) {
        std::wstring output = L"caller's";
        const std::int32_t result = qrLib::qrPathExpansion::Expand(input, output, m_isolation);
        return {result, output};
    }

    qrLib::CIniIsolationSource m_source{m_program};
    qrLib::CIsolation m_isolation{m_source};
};

TEST_F(PathExpansion, TheMapIsReadFromThe32BitViewAsStoredStrings) {
    qrtest::SetValue(kMap, KEY_WOW64_64KEY, L"ONLY64", L"D:\\64");
    // Stored as they are: environment references are not expanded, %SystemRoot% is unknown.
    Map(L"EXPANDABLE", L"%CSIDL_WINDOWS%\\x", REG_EXPAND_SZ);
    Map(L"ENVIRONMENT", L"%SystemRoot%", REG_EXPAND_SZ);
    // Only strings of an even size count; the data need not end in a NUL and ends at the first.
    Map(L"BINARY", L"D:\\binary", REG_BINARY);
    Map(L"ODD", L"D:\\odd", REG_SZ, 7);
    Map(L"BARE", L"D:\\bare", REG_SZ, 14);
    Map(L"TAIL", std::wstring(L"D:\\t\0junk", 9), REG_SZ, 20);
    const std::pair<const wchar_t*, Result> cases[] = {
        {L"%QENCONFIGDIR%\\config.xml", {1, L"D:\\Data\\Cfg\\config.xml"}},
        {L"%ONLY64%", {0, L"%ONLY64%"}},
        {L"%EXPANDABLE%", {1, ShellFolder(CSIDL_WINDOWS) + L"\\x"}},
        {L"%ENVIRONMENT%", {0, L"%ENVIRONMENT%"}},
        {L"%BINARY%", {0, L"%BINARY%"}},
        {L"%ODD%", {0, L"%ODD%"}},
        {L"%BARE%", {1, L"D:\\bare"}},
        {L"%TAIL%", {1, L"D:\\t"}},
        {nullptr, {0, L"caller's"}},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Run(input), expected) << (input != nullptr ? input : L"(null)");
    }
    // Without the map key nothing expands and the caller's output stays.
    qrtest::DeleteTree(qrtest::kRoot, KEY_WOW64_32KEY);
    EXPECT_EQ(Run(L"plain"), Result(0, L"caller's"));
}

TEST_F(PathExpansion, BuiltinNamesResolveToTheShellsFolders) {
    wchar_t windows[MAX_PATH] = {};
    wchar_t local[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE));
    // A silo data directory expands its extension through the map the expansion holds open.
    Map(L"APPDATAEXTENSION", L"%VENDOR%\\Client");
    Map(L"VENDOR", L"Acme");
    const std::pair<const wchar_t*, std::wstring> cases[] = {
        {L"%CSIDL_WINDOWS%", windows},
        {L"%CSIDL_PROGRAM_FILESX64%", L"C:\\Program Files"},
        {L"%CSIDL_PROGRAM_FILES_COMMONX64%", L"C:\\Program Files\\Common Files"},
        {L"%LOCAL_SILO_DATA%\\logs",
         std::wstring(local) + L"\\Acme\\Client\\" + qrtest::kSilo + L"\\logs"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Run(input), Result(1, expected)) << input;
    }
    // The table against the shell's own constants, where a slip is likeliest.
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"CSIDL_COMMON_OEM_LINKS")->id, CSIDL_COMMON_OEM_LINKS + 0u);
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"CSIDL_COMPUTERSNEARME")->id, CSIDL_COMPUTERSNEARME + 0u);
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"CSIDL_RESOURCES_LOCALIZED")->id,
              CSIDL_RESOURCES_LOCALIZED + 0u);
    // Every shell folder name expands exactly when the shell has a default path for it.
    for (const qrLib::BuiltinFolder& folder : qrLib::kBuiltinFolders) {
        if (folder.id < qrLib::kCommonSiloData) {
            const std::wstring input = L"%" + qrLib::ToWide(folder.name) + L"%";
            const std::wstring expected = ShellFolder(static_cast<int>(folder.id));
            EXPECT_EQ(Run(input.c_str()), expected.empty() ? Result(0, input) : Result(1, expected))
                << input;
        }
    }
}

}  // namespace
