#include "qrlib/IsolationProfile.h"

#include "QrlibTestSupport.h"

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
    // Absent from the 32-bit view it is reported to the debugger, and kept all the same.
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        wintest::SetString({HKEY_LOCAL_MACHINE, hive, view}, L"v", L"x");
        std::wstring value;
        const auto output = qrtest::DebugOutputOf([&] { EXPECT_EQ(Hive(value), 0u); });
        EXPECT_EQ(value, hive);
        EXPECT_EQ(
            output.empty() ? L"" : output.front(),
            view == KEY_WOW64_64KEY
                ? L"CIsolation::GetRegistryHive(): RegOpenKeyEx() returned ERROR_FILE_NOT_FOUND"
                : L"");
        wintest::DeleteTree({HKEY_LOCAL_MACHINE, L"Software\\QrlibTest", view});
    }
    // A key the program may not open is kept as well (Wine enforces no key security: the open is
    // replaced by a denial).
    qrLib::SetHiveKeyOpenerForTest([](const wchar_t*) -> LONG { return ERROR_ACCESS_DENIED; });
    std::wstring value;
    const auto output = qrtest::DebugOutputOf([&] { EXPECT_EQ(Hive(value), 0u); });
    qrLib::SetHiveKeyOpenerForTest(nullptr);
    EXPECT_EQ(value, hive);
    EXPECT_EQ(output,
              std::vector<std::wstring>{L"CIsolation::GetRegistryHive(): RegOpenKeyEx() returned "
                                        L"ERROR_ACCESS_DENIED"});
}

}  // namespace
