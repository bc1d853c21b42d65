#include "qrlib/IniFile.h"

#include <gtest/gtest.h>

#include <string>

#include "QrlibTestSupport.h"
#include "win/unique_any.h"

namespace {

using qrtest::CScratchDir;

std::wstring Read(const std::wstring& file, const wchar_t* key, DWORD size = 64) {
    std::wstring output(size + 1, L'#');
    const DWORD length =
        qrLib::ReadIniValue(L"isolation", key, L"dflt", output.data(), size, file.c_str());
    output.resize(output.find(L'\0'));
    EXPECT_EQ(length, output.size());
    return output;
}

const std::string kProfile =
    "[Isolation]\r\nSILO = {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\r\nreghive=Software\\Hive\r\n";

TEST(IniFile, Utf16AndAnsiFilesGiveTheSameValues) {
    CScratchDir dir;
    const std::wstring wide = dir.Path() + L"\\wide.ini";
    const std::wstring narrow = dir.Path() + L"\\narrow.ini";
    qrtest::WriteFileBytes(wide,
                           qrtest::Utf16Bytes(std::wstring(kProfile.begin(), kProfile.end())));
    qrtest::WriteFileBytes(narrow, qrtest::AnsiBytes(kProfile));
    for (const std::wstring& file : {wide, narrow}) {
        EXPECT_EQ(Read(file, L"silo"), L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
        EXPECT_EQ(Read(file, L"reghive"), L"Software\\Hive");
        EXPECT_EQ(Read(file, L"reghive", 5), L"Soft");
        EXPECT_EQ(Read(file, L"other"), L"dflt");
    }
}

TEST(IniFile, EightBitTextIsReadInTheAnsiCodePage) {
    CScratchDir dir;
    const std::wstring file = dir.Path() + L"\\ansi.ini";
    qrtest::WriteFileBytes(file, qrtest::AnsiBytes("[isolation]\r\nk=\x80\xE9\r\n"));
    wchar_t expected[3] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80\xE9", 2, expected, 2), 2);
    EXPECT_EQ(Read(file, L"k"), std::wstring(expected));
}

TEST(IniFile, UnreadableFilesGiveTheDefault) {
    CScratchDir dir;
    EXPECT_EQ(Read(dir.Path() + L"\\missing.ini", L"silo"), L"dflt");
    EXPECT_EQ(Read(dir.Path(), L"silo"), L"dflt");  // a directory
    const std::wstring empty = dir.Path() + L"\\empty.ini";
    qrtest::WriteFileBytes(empty, {});
    EXPECT_EQ(Read(empty, L"silo"), L"dflt");

    // Held open by a writer that shares nothing: the reader cannot open it.
    const std::wstring locked = dir.Path() + L"\\locked.ini";
    qrtest::WriteFileBytes(locked, qrtest::AnsiBytes(kProfile));
    {
        win::unique_handle writer(CreateFileW(locked.c_str(), GENERIC_WRITE, 0, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer);
        EXPECT_EQ(Read(locked, L"silo"), L"dflt");
    }
    EXPECT_EQ(Read(locked, L"reghive"), L"Software\\Hive");

    std::wstring output(8, L'#');
    EXPECT_EQ(qrLib::ReadIniValue(L"s", L"k", nullptr, output.data(), 8, nullptr), 0u);
    EXPECT_EQ(output[0], L'\0');
}

TEST(IniFile, AFileOfMegabytesIsReadWhole) {
    CScratchDir dir;
    std::string big = "[isolation]\r\n";
    while (big.size() < 4 * 1024 * 1024) {
        big += "filler=0123456789012345678901234567890123456789\r\n";
    }
    const std::wstring file = dir.Path() + L"\\big.ini";
    qrtest::WriteFileBytes(file, qrtest::AnsiBytes(big + "last=found\r\n"));
    EXPECT_EQ(Read(file, L"last"), L"found");
}

}  // namespace
