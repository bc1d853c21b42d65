#include "qrlib/IsolationProfile.h"

#include <tuple>

#include "QrlibTestSupport.h"
#include "qrlib/IniFile.h"

namespace {

class IsolationProfile : public qrtest::QrlibTest {
protected:
    DWORD Hive(std::wstring& value, DWORD size = 100) {
        return Read(qrLib::GetRegistryHiveAt, value, size);
    }
    DWORD Silo(std::wstring& value, DWORD size = 40) {
        return Read(qrLib::ReadSiloFromIniAt, value, size);
    }
    // Runs `reader` with a buffer of `size`; `value` gets the text up to the first NUL.
    DWORD Read(DWORD (*reader)(const wchar_t*, wchar_t*, DWORD), std::wstring& value, DWORD size) {
        value.assign(size, L'#');
        const DWORD result = reader(m_program.c_str(), value.data(), size);
        value.resize(wcslen(value.c_str()));
        return result;
    }
};

TEST_F(IsolationProfile, DefaultsBufferSizesAndInvalidValues) {
    // Without isolate.ini: the default hive, but no silo.
    std::wstring value;
    EXPECT_EQ(Hive(value), 0u);
    EXPECT_EQ(value, L"Software\\Zanthrex\\Isolation");
    EXPECT_EQ(Silo(value), 2u);
    EXPECT_EQ(Hive(value, 99), 87u);
    EXPECT_EQ(Silo(value, 37), 87u);
    // A hive of 99 characters fills a 100-character buffer, a silo of 39 one of 40.
    WriteIsolateIni("reghive=" + std::string(99, 'h') +
                    "\r\nsilo={0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}x\r\n");
    EXPECT_EQ(Hive(value), 122u);
    EXPECT_EQ(Silo(value), 122u);
    EXPECT_EQ(Silo(value, 41), 13u);
    EXPECT_EQ(value, L"");
    // Hives that cannot be opened for reasons other than absence or denial. An empty one names
    // HKLM itself, which opens, and is invalid all the same.
    for (const char* hive : {"", "\\Software\\Zanthrex"}) {
        WriteIsolateIni(std::string("reghive=") + hive + "\r\n");
        EXPECT_EQ(Hive(value), 13u) << hive;
        EXPECT_EQ(value, L"");
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
    for (const auto& [view, denied, output] : cases) {
        wintest::SetString({HKEY_LOCAL_MACHINE, hive, view}, L"v", L"x");
        qrLib::SetHiveKeyOpenerForTest(
            denied ? +[](const wchar_t*) -> LONG { return ERROR_ACCESS_DENIED; } : nullptr);
        std::wstring value;
        EXPECT_EQ(qrtest::DebugOutputOf([&] { EXPECT_EQ(Hive(value), 0u); }), output);
        EXPECT_EQ(value, hive);
        wintest::DeleteTree({HKEY_LOCAL_MACHINE, L"Software\\QrlibTest", view});
    }
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
