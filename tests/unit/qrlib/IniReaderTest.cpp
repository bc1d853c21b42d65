#include "qrlib/IniReader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The same text as a UTF-16LE file with its byte order mark.
Bytes Utf16File(const std::u16string& text) {
    Bytes bytes = {0xFF, 0xFE};
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

// Reads into a buffer of `size` characters and checks that the result is the length copied.
std::u16string Read(const Bytes& file, std::u16string_view section, std::u16string_view key,
                    std::u16string_view defaultValue = u"dflt", std::uint32_t size = 128) {
    std::vector<char16_t> output(size + 1, u'#');
    const std::uint32_t length = qrLib::ReadIniValue(section, key, defaultValue, output.data(),
                                                     size, file.data(), file.size());
    const std::u16string value(output.data());
    EXPECT_EQ(length, value.size());
    return value;
}

// A NUL ends the text, in either encoding.
TEST(IniReader, Utf16AndEightBitFilesGiveTheSameValues) {
    const std::u16string profile =
        u"[general]\r\nsilo=wrong\r\n[Isolation]\r\nSILO = {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"
        u"\r\n[later]\r\nextra=found later\r\nk=v" +
        std::u16string(1, u'\0') + u"w\r\nz=1";
    for (const Bytes& file : {Utf16File(profile), Bytes(profile.begin(), profile.end())}) {
        EXPECT_EQ(Read(file, u"isolation", u"silo"), u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
        EXPECT_EQ(Read(file, u"isolation", u"extra"), u"found later");  // headers don't end it
        EXPECT_EQ(Read(file, u"isolation", u"k"), u"v");
        EXPECT_EQ(Read(file, u"isolation", u"z"), u"dflt");
    }
    EXPECT_EQ(Read(Utf16File(u"[s]\r\nk=\u20AC"), u"s", u"k"), u"\u20AC");
}

TEST(IniReader, FindIniValue) {
    // {text, section, key, value with "d" as the default}
    const std::tuple<const char16_t*, const char16_t*, const char16_t*, const char16_t*> cases[] = {
        // Sections and keys match by prefix, case ignored, around blanks and one bracket a side.
        {u"[ISOLATIONS]\r\nSiloName=first\r\nsilo=second", u"isolation", u"silo", u"first"},
        {u"[ISOLATIONS]\r\nSiloName=first", u"  [Isolation] ", u"\tSILO ", u"first"},
        {u"[ISOLATIONS]\r\nSiloName=first", u"isolationsx", u"silo", u"d"},
        {u"[iso\r\nk=v", u"iso", u"k", u"v"},
        {u"[iso]]\r\nk=v", u"[iso]]", u"k", u"v"},
        {u"[iso]\r\nk=v", u"[iso]]", u"k", u"d"},
        {u"[ iso]\r\nk=v", u"iso", u"k", u"d"},
        {u"(iso)\r\nk=v", u"iso", u"k", u"d"},
        // Lines before the section are never keys, nor is the header itself.
        {u"k=before\r\n[s]\r\nk=after", u"s", u"k", u"after"},
        {u"[k=x]", u"k", u"[k", u"d"},
        // The first matching line decides; without "=" it gives the default.
        {u"[s]\r\nkey\r\nkey=v", u"s", u"key", u"d"},
        {u"[s]\r\n;c\r\n#c\r\nfirst=1\r\nsecond=2", u"s", u"", u"1"},  // comments skipped
        {u"[s]\r\nk==a=b", u"s", u"k", u"=a=b"},
        {u"[s]\r\n k = v ", u"s", u"k", u"v"},
        // Only CR LF ends a line; a lone CR cuts the value.
        {u"[s]\r\nk=a\nb=c\r\n", u"s", u"k", u"a\nb=c"},
        {u"[s]\r\nk=a \rb\r\n", u"s", u"k", u"a"},
    };
    for (const auto& [text, section, key, value] : cases) {
        EXPECT_EQ(qrLib::FindIniValue(text, section, key, u"d"), value)
            << std::string(text, text + std::char_traits<char16_t>::length(text));
    }
}

TEST(IniReader, BadFilesGiveTheRulesResultNotACrash) {
    // Two bytes FF FE are too short to be UTF-16 and read as 8-bit text.
    EXPECT_EQ(qrLib::DecodeIniText(Bytes{0xFF, 0xFE}.data(), 2), u"\u00FF\u00FE");
    // UTF-16 with an odd byte count and no terminator: the odd byte is dropped.
    Bytes odd = Utf16File(u"[s]\r\nk=v");
    odd.push_back('x');
    EXPECT_EQ(Read(odd, u"s", u"k"), u"v");
}

}  // namespace
