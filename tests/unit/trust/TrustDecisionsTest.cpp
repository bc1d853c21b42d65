// The verifier's decisions over plain values: stored detail words, trust-platform statuses, the
// path rules and the names file.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "trust/PublisherNames.h"
#include "trust/TrustDecisions.h"
#include "trust/VerifyPathRules.h"

namespace {

TEST(StoredWord, DecodedPerLevel) {
    struct Case {
        std::uint32_t word, level;
        bool driver;
        bool stands, trusted, systemComponent;
    };
    const Case cases[] = {
        {0x1, 1, false, true, true, false},
        {0x4, 2, false, true, true, false},
        {0x1, 2, false, true, false, false},
        {0x8, 3, false, true, true, false},
        {0x7, 3, false, true, false, false},
        {0x30, 4, false, true, true, true},   // the system-component bit comes through
        {0x10, 4, true, true, false, false},  // driver mode also needs the driver usage
        {0x50, 4, true, true, true, false},
        {0x4F, 4, false, true, false, false},
        {0x40008, 3, false, false, true, false},  // must not be used
    };
    for (const Case& c : cases) {
        const qrLib::StoredWordDecision d = qrLib::DecodeStoredWord(c.word, c.level, c.driver);
        EXPECT_EQ(d.stands, c.stands) << std::hex << c.word << " level " << c.level;
        EXPECT_EQ(d.trusted, c.trusted) << std::hex << c.word << " level " << c.level;
        EXPECT_EQ(d.systemComponent, c.systemComponent) << std::hex << c.word;
    }
}

TEST(TrustError, MapsKnownStatusesAndBothEndsOfTheProviderRange) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0, 1},          {0x80096005, 20}, {0x800B010E, 15}, {0x800B0001, 4},
        {0x800B0003, 4}, {0x800B0004, 3},  {0x800B0000, 3},  {0x80092026, 3}};
    int policyReads = 0;
    const auto flags = [&] {
        ++policyReads;
        return 0x00000200u;
    };
    for (const auto& [status, result] : cases) {
        EXPECT_EQ(qrLib::ResultFromTrustError(status, flags), result) << std::hex << status;
    }
    EXPECT_EQ(policyReads, 1);  // only for the security-settings status
    EXPECT_EQ(qrLib::ResultFromTrustError(0x80092026, [] { return 0x00040200u; }), 4u);
}

TEST(VerifyPath, Normalized) {
    const std::map<char16_t, std::u16string> devices = {
        {u'C', u"\\Device\\HarddiskVolume2"},
        {u'D', u"\\Device\\HarddiskVolume22"},
        {u'E', u"\\Device\\HarddiskVolume3"},
        {u'F', u"\\Device\\HarddiskVolume3"},
    };
    const qrLib::DosDeviceQuery query = [&](char16_t drive, std::u16string& target) {
        const auto found = devices.find(drive);
        if (found == devices.end()) {
            return false;
        }
        target = found->second;
        return true;
    };
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"\\DEVICE\\HARDDISKVOLUME22\\y", u"D:\\y"},
        {u"\\Device\\HarddiskVolume3\\z", u"E:\\z"},  // the first matching drive
        {u"\\Device\\HarddiskVolume9\\x\\a.exe", u"\\x\\a.exe"},
        {u"\\Device\\HarddiskVolume2", u"C:"},
        {u"\"\"C:\\quoted dir\\a.exe\"", u"C:\\quoted dir\\a.exe"},
        {u"C:\\x\\??\\y", u"C:\\x\\??\\y"},
        {u"\\??\\\\?C:\\x", u"C:\\x"},
        {u"\"\"", u""},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(qrLib::NormalizeVerifyPathText(input, query), expected);
    }
}

TEST(PublisherNamesFile, ParsedOrRefusedNamingTheLineAndStoredComplemented) {
    const qrLib::PublisherNamesFile good = qrLib::ParsePublisherNames(
        "\xEF\xBB\xBFsubject_marker=MARK\r\n"
        "# a comment\n"
        "\n"
        "publisher_name_1=Name = with equals \n"
        "full_subject_country=\n"
        "full_subject_state_2=Last");
    ASSERT_TRUE(good.ok) << good.error;
    EXPECT_EQ(good.values[0], "MARK");
    EXPECT_EQ(good.values[1], "Name = with equals ");
    EXPECT_EQ(good.values[13], "Last");
    EXPECT_EQ(good.values[14], "");
    EXPECT_EQ(good.values[2], "");
    std::uint8_t bytes[] = {0x00, 0xFF, 0x5A, 'A', 'B', 0x0F, 0x80};  // stored complemented
    qrLib::ComplementBytes(bytes, sizeof bytes);
    const std::uint8_t expected[] = {0xFF, 0x00, 0xA5, 0xBE, 0xBD, 0xF0, 0x7F};
    EXPECT_EQ(0, std::memcmp(bytes, expected, sizeof bytes));

    const std::pair<const char*, const char*> bad[] = {
        {"subject_marker=a\npublisher_name_5=x\n", "line 2: unknown role: publisher_name_5=x"},
        {"\n\nsubject_marker\n", "line 3: expected role=value: subject_marker"},
        {"=value\n", "line 1: expected role=value: =value"},
        {"subject_marker=a\r\nsubject_marker=b\r\n", "line 2: role given twice: subject_marker=b"},
        {"organization_name=Caf\xC3\xA9\n",
         "line 1: value must be printable ASCII: organization_name=Caf??"},
    };
    for (const auto& [text, message] : bad) {
        const qrLib::PublisherNamesFile parsed = qrLib::ParsePublisherNames(text);
        EXPECT_FALSE(parsed.ok) << text;
        EXPECT_EQ(parsed.error, message);
    }
}

}  // namespace
