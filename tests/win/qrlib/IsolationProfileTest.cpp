#include "qrlib/IsolationProfile.h"

#include <tuple>
#include <utility>
#include <vector>

#include "QrlibTestSupport.h"
#include "qrlib/IniFile.h"

namespace {

// What the process sends to the debugger: OutputDebugString raises an exception that carries the
// text (Wine passes on the ANSI form only), which a vectored handler sees first.
std::vector<std::wstring> g_debugOutput;
LONG CALLBACK RecordDebugOutput(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        g_debugOutput.emplace_back(text, text + record->ExceptionInformation[0] - 1);  // no NUL
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

using Result = std::pair<DWORD, std::wstring>;
const auto kHive = qrLib::GetRegistryHiveAt;
const auto kSilo = qrLib::ReadSiloFromIniAt;

class IsolationProfile : public qrtest::QrlibTest {
protected:
    // `reader` on the program with a buffer of `size`: its result and the text up to the first NUL.
    Result Read(DWORD (*reader)(const wchar_t*, wchar_t*, DWORD), DWORD size) {
        std::wstring value(size, L'#');
        const DWORD result = reader(m_program.c_str(), value.data(), size);
        value.resize(wcslen(value.c_str()));
        return {result, value};
    }
};

TEST_F(IsolationProfile, DefaultsBufferSizesAndInvalidValues) {
    // Without isolate.ini there is no silo (the default hive is the path expansion's).
    EXPECT_EQ(Read(kSilo, 40).first, 2u);
    EXPECT_EQ(Read(kHive, 99).first, 87u);
    EXPECT_EQ(Read(kSilo, 37).first, 87u);
    // A hive of 99 characters fills a 100-character buffer, a silo of 39 one of 40.
    WriteIsolateIni("reghive=" + std::string(99, 'h') +
                    "\r\nsilo={0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}x\r\n");
    EXPECT_EQ(Read(kHive, 100).first, 122u);
    EXPECT_EQ(Read(kSilo, 40).first, 122u);
    EXPECT_EQ(Read(kSilo, 41), Result(13, L""));
    // Hives that cannot be opened for reasons other than absence or denial. An empty one names
    // HKLM itself, which opens, and is invalid all the same.
    for (const char* hive : {"", "\\Software\\Zanthrex"}) {
        WriteIsolateIni(std::string("reghive=") + hive + "\r\n");
        EXPECT_EQ(Read(kHive, 100), Result(13, L"")) << hive;
    }
}

TEST_F(IsolationProfile, TheHiveKeyIsTriedInThe32BitView) {
    const std::wstring hive = L"Software\\QrlibTest\\Hive";
    WriteIsolateIni("reghive=Software\\QrlibTest\\Hive\r\n");
    const std::wstring report = L"CIsolation::GetRegistryHive(): RegOpenKeyEx() returned ";
    // Absent from the 32-bit view, or denied (Wine enforces no key security, so the open is
    // replaced), the key is reported to the debugger and kept all the same.
    const std::tuple<REGSAM, bool, std::vector<std::wstring>> cases[] = {
        {KEY_WOW64_64KEY, false, {report + L"ERROR_FILE_NOT_FOUND"}},
        {KEY_WOW64_32KEY, false, {}},
        {KEY_WOW64_32KEY, true, {report + L"ERROR_ACCESS_DENIED"}},
    };
    void* handler = AddVectoredExceptionHandler(1, RecordDebugOutput);
    for (const auto& [view, denied, output] : cases) {
        wintest::SetString({HKEY_LOCAL_MACHINE, hive, view}, L"v", L"x");
        qrLib::SetHiveKeyOpenerForTest(
            denied ? +[](const wchar_t*) -> LONG { return ERROR_ACCESS_DENIED; } : nullptr);
        g_debugOutput.clear();
        EXPECT_EQ(Read(kHive, 100), Result(0, hive));
        EXPECT_EQ(g_debugOutput, output);
        wintest::DeleteTree({HKEY_LOCAL_MACHINE, L"Software\\QrlibTest", view});
    }
    RemoveVectoredExceptionHandler(handler);
    qrLib::SetHiveKeyOpenerForTest(nullptr);
}

std::wstring ReadIni(const std::wstring& file, const wchar_t* key) {
    wchar_t output[64] = {};
    const DWORD length = qrLib::ReadIniValue(L"isolation", key, L"dflt", output, 64, file.c_str());
    EXPECT_EQ(length, wcslen(output));
    return output;
}

// Files of megabytes are read whole, and 8-bit text in the ANSI code page; files that cannot be
// read give the default.
TEST_F(IsolationProfile, IniFilesAreReadWholeOrGiveTheDefault) {
    std::string text = "[Isolation]\r\nansi=\x80\xE9\r\n";
    while (text.size() < 2 * 1024 * 1024) {
        text += "filler=0123456789012345678901234567890123456789\r\n";
    }
    WriteFileText(m_dir.File("profile.ini"), text + "last=found\r\n");
    const std::wstring file = m_root + L"\\profile.ini";
    // Another reader that shares the file for reading only does not stop this one.
    win::unique_handle reader(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    wchar_t ansi[3] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80\xE9", 2, ansi, 2), 2);
    EXPECT_EQ(ReadIni(file, L"ansi"), ansi);
    EXPECT_EQ(ReadIni(file, L"last"), L"found");

    EXPECT_EQ(ReadIni(m_root + L"\\missing.ini", L"silo"), L"dflt");
    wchar_t output[8] = L"#";
    EXPECT_EQ(qrLib::ReadIniValue(L"s", L"k", nullptr, output, 8, nullptr), 0u);
    EXPECT_EQ(output[0], L'\0');
}

}  // namespace
