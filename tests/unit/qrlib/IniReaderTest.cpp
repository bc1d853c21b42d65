#include "qrlib/IniReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qrLib::FindIniValue;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// The same text as a UTF-16LE file with its byte order mark.
std::vector<std::uint8_t> Utf16File(const std::u16string& text) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

std::u16string Read(const std::vector<std::uint8_t>& file, std::u16string_view section,
                    std::u16string_view key, std::u16string_view defaultValue = u"dflt",
                    std::uint32_t size = 128) {
    std::vector<char16_t> output(size + 1, u'#');
    const std::uint32_t length = qrLib::ReadIniValue(section, key, defaultValue, output.data(),
                                                     size, file.data(), file.size());
    const std::u16string value(output.data());
    EXPECT_EQ(length, value.size());
    return value;
}

const std::u16string kProfile =
    u"; isolation profile\r\n"
    u"# written by setup\r\n"
    u"\r\n"
    u"[general]\r\n"
    u"silo=wrong\r\n"
    u"  [Isolation]  \r\n"
    u"\t SILO = {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9} \t\r\n"
    u"reghive=Software\\Other\\Hive\r\n"
    u"[later]\r\n"
    u"extra=found later\r\n";

TEST(IniReader, Utf16AndEightBitFilesGiveTheSameValues) {
    const std::vector<std::uint8_t> wide = Utf16File(kProfile);
    const std::vector<std::uint8_t> narrow = Bytes(std::string(kProfile.begin(), kProfile.end()));
    for (const auto* file : {&wide, &narrow}) {
        EXPECT_EQ(Read(*file, u"isolation", u"silo"), u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
        EXPECT_EQ(Read(*file, u"isolation", u"reghive"), u"Software\\Other\\Hive");
        EXPECT_EQ(Read(*file, u"isolation", u"missing"), u"dflt");
        // Later section headers do not end the section.
        EXPECT_EQ(Read(*file, u"isolation", u"extra"), u"found later");
        EXPECT_EQ(Read(*file, u"nosuch", u"silo"), u"dflt");
    }
}

TEST(IniReader, SectionsAndKeysMatchByPrefixIgnoringCase) {
    const std::u16string text = u"[ISOLATIONS]\r\nSiloName=first\r\nsilo=second\r\n";
    EXPECT_EQ(FindIniValue(text, u"isolation", u"silo", u"d"), u"first");
    EXPECT_EQ(FindIniValue(text, u"  [Isolation] ", u"\tSILO ", u"d"), u"first");
    EXPECT_EQ(FindIniValue(text, u"isolationsx", u"silo", u"d"), u"d");
    // A header's closing bracket is not part of its name; an unclosed header still counts.
    EXPECT_EQ(FindIniValue(u"[iso\r\nk=v", u"iso", u"k", u"d"), u"v");
    // Exactly one bracket is dropped on each side.
    EXPECT_EQ(FindIniValue(u"[iso]]\r\nk=v", u"[iso]]", u"k", u"d"), u"v");
    EXPECT_EQ(FindIniValue(u"[iso]\r\nk=v", u"[iso]]", u"k", u"d"), u"d");
    EXPECT_EQ(FindIniValue(u"[ iso]\r\nk=v", u"iso", u"k", u"d"), u"d");
    // Lines before the section are never keys, and the header itself is not one.
    EXPECT_EQ(FindIniValue(u"k=before\r\n[s]\r\nk=after", u"s", u"k", u"d"), u"after");
    EXPECT_EQ(FindIniValue(u"[k=x]", u"k", u"[k", u"d"), u"d");
    // An empty wanted section matches the first header.
    EXPECT_EQ(FindIniValue(u"[any]\r\nk=v", u"", u"k", u"d"), u"v");
}

TEST(IniReader, FirstMatchingLineDecidesAndALineWithoutEqualsGivesTheDefault) {
    EXPECT_EQ(FindIniValue(u"[s]\r\nkey\r\nkey=v", u"s", u"key", u"d"), u"d");
    EXPECT_EQ(FindIniValue(u"[s]\r\nkeyboard=x\r\nkey=v", u"s", u"key", u"d"), u"x");
    EXPECT_EQ(FindIniValue(u"[s]\r\nk==a=b", u"s", u"k", u"d"), u"=a=b");
    EXPECT_EQ(FindIniValue(u"[s]\r\nk=", u"s", u"k", u"d"), u"");
    EXPECT_EQ(FindIniValue(u"[s]\r\n;k=comment\r\n#k=comment\r\n k = v ", u"s", u"k", u"d"), u"v");
    // An empty key matches the first line of the section.
    EXPECT_EQ(FindIniValue(u"[s]\r\nfirst=1\r\nsecond=2", u"s", u"", u"d"), u"1");
}

TEST(IniReader, OnlyCrLfEndsALine) {
    // Bare line feeds make one long line: only the header is seen, no key follows it.
    EXPECT_EQ(FindIniValue(u"[isolation]\nsilo=x\nreghive=y\n", u"isolation", u"silo", u"d"), u"d");
    // A line feed inside a line stays in the value; a lone carriage return cuts it.
    EXPECT_EQ(FindIniValue(u"[s]\r\nk=a\nb=c\r\n", u"s", u"k", u"d"), u"a\nb=c");
    EXPECT_EQ(FindIniValue(u"[s]\r\nk=a \rb\r\n", u"s", u"k", u"d"), u"a");
    EXPECT_EQ(FindIniValue(u"[s]\r\r\nk=v", u"s", u"k", u"d"), u"v");
}

TEST(IniReader, OutputIsCutToTheBufferAndTheResultIsItsLength) {
    const std::vector<std::uint8_t> file = Bytes("[s]\r\nk=abcdef\r\n");
    EXPECT_EQ(Read(file, u"s", u"k", u"", 7), u"abcdef");
    EXPECT_EQ(Read(file, u"s", u"k", u"", 6), u"abcde");
    EXPECT_EQ(Read(file, u"s", u"k", u"", 1), u"");
    EXPECT_EQ(Read(file, u"s", u"x", u"long default", 5), u"long");
    char16_t untouched[2] = {u'#', u'#'};
    EXPECT_EQ(qrLib::ReadIniValue(u"s", u"k", u"", untouched, 0, file.data(), file.size()), 0u);
    EXPECT_EQ(untouched[0], u'#');
}

TEST(IniReader, BadFilesGiveTheRulesResultNotACrash) {
    // Empty: the default.
    EXPECT_EQ(Read({}, u"s", u"k"), u"dflt");
    // Two bytes FF FE are too short to be UTF-16 and read as 8-bit text.
    EXPECT_EQ(qrLib::DecodeIniText(std::vector<std::uint8_t>{0xFF, 0xFE}.data(), 2),
              u"\u00FF\u00FE");
    // UTF-16 with an odd byte count and no terminator: the odd byte is dropped.
    std::vector<std::uint8_t> odd = Utf16File(u"[s]\r\nk=v");
    odd.push_back('x');
    EXPECT_EQ(Read(odd, u"s", u"k"), u"v");
    // A NUL ends the text, in either encoding.
    const std::vector<std::uint8_t> nul = Bytes(std::string("[s]\r\nk=v\0w\r\nz=1", 15));
    EXPECT_EQ(Read(nul, u"s", u"k"), u"v");
    EXPECT_EQ(Read(nul, u"s", u"z"), u"dflt");
    EXPECT_EQ(Read(Utf16File(std::u16string(u"[s]\r\nk=v\0w", 10)), u"s", u"k"), u"v");
    // Binary noise without a section: the default.
    std::vector<std::uint8_t> noise;
    for (int i = 1; i < 4096; ++i) {
        noise.push_back(static_cast<std::uint8_t>((i * 7919) % 251 + 1));
    }
    EXPECT_EQ(Read(noise, u"s", u"k"), u"dflt");
}

TEST(IniReader, MegabyteFilesAreReadWhole) {
    std::string big = "[s]\r\n";
    for (int i = 0; i < 100000; ++i) {
        big += "filler" + std::to_string(i) + "=some value\r\n";
    }
    big += "wanted=at the end\r\n";
    big += "long=" + std::string(2 * 1024 * 1024, 'x');  // one very long line after it
    const std::vector<std::uint8_t> file = Bytes(big);
    EXPECT_EQ(Read(file, u"s", u"wanted"), u"at the end");
    EXPECT_EQ(Read(file, u"s", u"long"), std::u16string(127, u'x'));
}

}  // namespace
