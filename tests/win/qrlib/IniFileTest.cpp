#include "qrlib/IniFile.h"

#include "QrlibTestSupport.h"

namespace {

using IniFile = qrtest::QrlibTest;

std::wstring Read(const std::wstring& file, const wchar_t* key) {
    wchar_t output[64] = {};
    const DWORD length = qrLib::ReadIniValue(L"isolation", key, L"dflt", output, 64, file.c_str());
    EXPECT_EQ(length, wcslen(output));
    return output;
}

TEST_F(IniFile, AFileOfMegabytesIsReadWholeAndEightBitTextInTheAnsiCodePage) {
    std::string text = "[Isolation]\r\nansi=\x80\xE9\r\n";
    while (text.size() < 2 * 1024 * 1024) {
        text += "filler=0123456789012345678901234567890123456789\r\n";
    }
    const std::wstring file = m_root + L"\\profile.ini";
    qrtest::WriteFileBytes(file, text + "last=found\r\n");
    // Another reader that shares the file for reading only does not stop this one.
    win::unique_handle reader(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    wchar_t ansi[3] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80\xE9", 2, ansi, 2), 2);
    EXPECT_EQ(Read(file, L"ansi"), ansi);
    EXPECT_EQ(Read(file, L"last"), L"found");
}

TEST_F(IniFile, UnreadableFilesGiveTheDefault) {
    for (const std::wstring& file : {m_root + L"\\missing.ini", m_root}) {
        EXPECT_EQ(Read(file, L"silo"), L"dflt");
    }
    wchar_t output[8] = L"#";
    EXPECT_EQ(qrLib::ReadIniValue(L"s", L"k", nullptr, output, 8, nullptr), 0u);
    EXPECT_EQ(output[0], L'\0');
}

}  // namespace
