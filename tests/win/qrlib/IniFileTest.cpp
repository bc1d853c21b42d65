#include "qrlib/IniFile.h"

#include "QrlibTestSupport.h"
#include "win/unique_any.h"

namespace {

using IniFile = qrtest::QrlibTest;

std::wstring Read(const std::wstring& file, const wchar_t* key, DWORD size = 64) {
    std::wstring output(size + 1, L'#');
    const DWORD length =
        qrLib::ReadIniValue(L"isolation", key, L"dflt", output.data(), size, file.c_str());
    output.resize(output.find(L'\0'));
    EXPECT_EQ(length, output.size());
    return output;
}

TEST_F(IniFile, AFileOfMegabytesIsReadWholeAndEightBitTextInTheAnsiCodePage) {
    std::string text =
        "[Isolation]\r\nSILO = {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\r\n"
        "reghive=Software\\Hive\r\nansi=\x80\xE9\r\n";
    while (text.size() < 2 * 1024 * 1024) {
        text += "filler=0123456789012345678901234567890123456789\r\n";
    }
    const std::wstring file = m_root + L"\\profile.ini";
    qrtest::WriteFileBytes(file, text + "last=found\r\n");
    // Another reader that shares the file for reading only does not stop this one.
    win::unique_handle reader(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_EQ(Read(file, L"silo"), L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
    EXPECT_EQ(Read(file, L"reghive", 5), L"Soft");
    wchar_t ansi[3] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80\xE9", 2, ansi, 2), 2);
    EXPECT_EQ(Read(file, L"ansi"), ansi);
    EXPECT_EQ(Read(file, L"last"), L"found");
    EXPECT_EQ(Read(file, L"other"), L"dflt");
}

TEST_F(IniFile, UnreadableFilesGiveTheDefault) {
    const std::wstring empty = m_root + L"\\empty.ini";
    qrtest::WriteFileBytes(empty, "");
    for (const std::wstring& file : {m_root + L"\\missing.ini", m_root, empty}) {
        EXPECT_EQ(Read(file, L"silo"), L"dflt");
    }
    std::wstring output(8, L'#');
    EXPECT_EQ(qrLib::ReadIniValue(L"s", L"k", nullptr, output.data(), 8, nullptr), 0u);
    EXPECT_EQ(output[0], L'\0');
}

}  // namespace
