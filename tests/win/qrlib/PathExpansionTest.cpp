#include "qrlib/qrPathExpansion.h"

#include <shlobj.h>

#include <cstdarg>

#include "QrlibTestSupport.h"
#include "diagnostics/TraceProvider.h"
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
        bytes = bytes != 0 ? bytes : static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
        wintest::SetValue({HKEY_LOCAL_MACHINE, kMap, KEY_WOW64_32KEY}, name, type, value.c_str(),
                          bytes);
    }
    Result Run(const wchar_t* input) {
        std::wstring output = L"caller's";
        const std::int32_t result = qrLib::qrPathExpansion::Expand(input, output, m_isolation);
        return {result, output};
    }

    qrLib::CIniIsolationSource m_source{m_program};
    qrLib::CIsolation m_isolation{m_source};
};

// The map's values (written to the 32-bit view only), and the folders the library computes itself
// rather than asking the shell.
TEST_F(PathExpansion, MapValuesFromThe32BitViewAndTheLibrarysOwnFolders) {
    // Stored as they are: environment references are not expanded, %SystemRoot% is unknown.
    Map(L"EXPANDABLE", L"%CSIDL_WINDOWS%\\x", REG_EXPAND_SZ);
    Map(L"ENVIRONMENT", L"%SystemRoot%", REG_EXPAND_SZ);
    // Only strings of an even size count; the data need not end in a NUL and ends at the first.
    Map(L"BINARY", L"D:\\binary", REG_BINARY);
    Map(L"ODD", L"D:\\odd", REG_SZ, 7);
    Map(L"BARE", L"D:\\bare", REG_SZ, 14);
    Map(L"TAIL", std::wstring(L"D:\\t\0junk", 9), REG_SZ, 20);
    Map(L"APPDATAEXTENSION", L"Acme\\Client");
    const std::pair<const wchar_t*, Result> cases[] = {
        {L"%EXPANDABLE%", {1, ShellFolder(CSIDL_WINDOWS) + L"\\x"}},
        {L"%ENVIRONMENT%", {0, L"%ENVIRONMENT%"}},
        {L"%BINARY%", {0, L"%BINARY%"}},
        {L"%ODD%", {0, L"%ODD%"}},
        {L"%BARE%", {1, L"D:\\bare"}},
        {L"%TAIL%", {1, L"D:\\t"}},
        {nullptr, {0, L"caller's"}},
        {L"%CSIDL_PROGRAM_FILESX64%", {1, L"C:\\Program Files"}},
        {L"%CSIDL_PROGRAM_FILES_COMMONX64%", {1, L"C:\\Program Files\\Common Files"}},
        {L"%LOCAL_SILO_DATA%\\logs",
         {1, ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\Acme\\Client\\" + qrtest::kSilo + L"\\logs"}},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Run(input), expected) << (input != nullptr ? input : L"(null)");
    }
    // Without the map key nothing expands and the caller's output stays.
    wintest::DeleteTree({HKEY_LOCAL_MACHINE, qrtest::kRoot, KEY_WOW64_32KEY});
    EXPECT_EQ(Run(L"plain"), Result(0, L"caller's"));
}

// Every shell folder name, with the identifier the platform's headers give it.
#define F(name) std::pair<const char16_t*, int>(u"CSIDL_" #name, CSIDL_##name)
// clang-format off
const std::pair<const char16_t*, int> kShellFolders[] = {
    F(ADMINTOOLS), F(ALTSTARTUP), F(APPDATA), F(BITBUCKET), F(CDBURN_AREA), F(COMMON_ADMINTOOLS),
    F(COMMON_ALTSTARTUP), F(COMMON_APPDATA), F(COMMON_DESKTOPDIRECTORY), F(COMMON_DOCUMENTS),
    F(COMMON_FAVORITES), F(COMMON_MUSIC), F(COMMON_OEM_LINKS), F(COMMON_PICTURES),
    F(COMMON_PROGRAMS), F(COMMON_STARTMENU), F(COMMON_STARTUP), F(COMMON_TEMPLATES),
    F(COMMON_VIDEO), F(COMPUTERSNEARME), F(CONNECTIONS), F(CONTROLS), F(COOKIES), F(DESKTOP),
    F(DESKTOPDIRECTORY), F(DRIVES), F(FAVORITES), F(FONTS), F(HISTORY), F(INTERNET),
    F(INTERNET_CACHE), F(LOCAL_APPDATA), F(MYMUSIC), F(MYPICTURES), F(MYVIDEO), F(NETHOOD),
    F(NETWORK), F(PERSONAL), F(PRINTERS), F(PRINTHOOD), F(PROFILE), F(PROGRAM_FILES),
    F(PROGRAM_FILES_COMMON), F(PROGRAM_FILES_COMMONX86), F(PROGRAM_FILESX86), F(PROGRAMS),
    F(RECENT), F(RESOURCES), F(RESOURCES_LOCALIZED), F(SENDTO), F(STARTMENU), F(STARTUP), F(SYSTEM),
    F(SYSTEMX86), F(TEMPLATES), F(WINDOWS),
};
// clang-format on
#undef F

// Each name expands to its folder's default location (another identifier's differs) exactly when
// the shell has one for it; a location the user redirected the folder to is not used.
TEST_F(PathExpansion, ShellFolderNamesResolveToTheirDefaultLocations) {
    const wchar_t kUserFolders[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    wintest::SetString({HKEY_CURRENT_USER, kUserFolders, 0}, L"Personal", m_root);
    wchar_t current[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, current);
    EXPECT_EQ(current, m_root) << "the redirection does not show";
    for (const auto& [name, csidl] : kShellFolders) {
        const std::wstring input = L"%" + qrLib::ToWide(name) + L"%";
        const std::wstring expected = ShellFolder(csidl);
        EXPECT_EQ(Run(input.c_str()), expected.empty() ? Result(0, input) : Result(1, expected))
            << input;
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kUserFolders, L"Personal");
}

// Failures reach the software trace, with their input, only while the provider is registered
// and enabled for errors; unregistering drops the level and flags a controller had set.
std::vector<std::wstring> g_traced;
ULONG __cdecl RecordTrace(TRACEHANDLE logger, ULONG flags, LPCGUID, USHORT number, ...) {
    va_list arguments;
    va_start(arguments, number);
    const wchar_t* text = va_arg(arguments, const wchar_t*);
    va_end(arguments);
    g_traced.push_back(std::to_wstring(logger) + L" " + std::to_wstring(flags) + L" " + text);
    return 0;
}

TEST_F(PathExpansion, FailuresAreTracedWhileTheProviderIsRegistered) {
    SetTraceMessageForTest(&RecordTrace);
    auto enable = [] {
        TraceControlBlock& block = GetTraceControlBlock();
        block.logger = 77;
        block.level = 2;  // errors
        block.flags = 1;
    };
    enable();
    Run(L"%NOSUCHNAME%");
    RegisterTraceProvider();
    enable();
    Run(L"%QENCONFIGDIR%");
    Run(L"%NOSUCHNAME%");
    UnregisterTraceProvider();
    EXPECT_EQ(GetTraceControlBlock().level, 0u);
    EXPECT_EQ(GetTraceControlBlock().flags, 0u);
    Run(L"%NOSUCHNAME%");
    SetTraceMessageForTest(nullptr);
    EXPECT_EQ(g_traced, std::vector<std::wstring>{L"77 43 %NOSUCHNAME%"});
}

}  // namespace
