// The values read on the way: the client's version, zudUvu.ini's platform, the reboot switches and
// texts, the features the client does not allow.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "config/FeatureFilter.h"
#include "config/IdentityRules.h"
#include "config/RebootValues.h"

namespace {

TEST(IdentityRules, ProductVersionAndPlatform) {
    const std::pair<const char*, std::optional<std::uint32_t>> versions[] = {
        {"12.1.671", 0xC0001}, {"65535.7", 0xFFFF0007}, {"65536.0", std::nullopt}};
    for (const auto& [text, expected] : versions) {
        EXPECT_EQ(config::ParseProductVersion(text), expected) << text;
    }
    EXPECT_TRUE(config::ConfigDirFromInstallPath(0xC0000));
    EXPECT_FALSE(config::ConfigDirFromInstallPath(0xC0001));

    const std::pair<const char16_t*, std::optional<std::u16string>> platforms[] = {
        {u"WIN32BIT", u" Win32"},
        {u"win64bit", u" Win64"},
        {u"x64", std::nullopt},
        {u"WIN64BIT ", std::nullopt}};
    for (const auto& [type, tag] : platforms) {
        EXPECT_EQ(config::PlatformTag(type), tag);
    }
    EXPECT_EQ(config::JoinFileName(std::string("D:\\Pkg\\"), "zudUvu.ini"), "D:\\Pkg\\zudUvu.ini");
    EXPECT_EQ(config::JoinFileName(std::string(""), "config.xml"), "\\config.xml");
}

TEST(RebootValues, SwitchesReadAsNumbersAndTextsUnescaped) {
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"1", "true"}, {u"0", "false"}, {u"2", nullptr}, {u"-1", nullptr}, {u"", nullptr}};
    for (const auto& [value, text] : cases) {
        const char* written = config::SwitchText(config::ReadSwitchNumber(value));
        EXPECT_EQ(std::string(written ? written : "(invalid)"), text ? text : "(invalid)");
    }
    const std::pair<std::u16string, std::u16string> texts[] = {
        {u"a\\\\nb", u"a\nb"},  // pass 1 leaves backslash-n for pass 6
        {u"\\\"q\\\"", u"\"q\""}, {u"\\a\\b\\f\\r\\t\\v", u"\a\b\f\r\t\v"},
        {u"\\\\\\\\", u"\\\\"},   {u"C:\\x\\q", u"C:\\x\\q"},
        {u"end\\", u"end\\"}};
    for (const auto& [value, decoded] : texts) {
        EXPECT_EQ(config::Unescape(value), decoded);
    }
}

TEST(FeatureFilter, ListedFeaturesAreLeftOut) {
    using Names = std::vector<std::string>;
    const Names enabled = {"A", "Pop3Smtp", "B", " B", "b"};
    // {the client's value, x64 processor, the features written}
    const std::tuple<const char*, bool, Names> cases[] = {
        {"Pop3Smtp,B", true, {"A", " B", "b"}},
        {"Pop3Smtp, B", true, {"A", "B", "b"}},
        {"Pop3Smtp", true, {"A", "Pop3Smtp", "B", " B", "b"}},
        {"Pop3Smtp", false, {"A", "B", " B", "b"}},
        {"pop3smtp", true, {"A", "Pop3Smtp", "B", " B", "b"}},
    };
    for (const auto& [value, x64, written] : cases) {
        EXPECT_EQ(config::FeaturesToWrite(enabled, config::NotAllowedFeatures(value, x64)), written)
            << value << (x64 ? " x64" : " x86");
    }
    EXPECT_EQ(config::FeaturesToWrite({"", "A"}, config::NotAllowedFeatures("", true)), Names{"A"});
}

}  // namespace
