#include "qrlib/ExpansionRules.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "FakeExpansionSource.h"

namespace {

// The longest path the platform takes.
constexpr std::size_t kLongestPath = 32767;

// {input, result, output}
using Case = std::tuple<std::u16string, std::int32_t, std::u16string>;

void ExpectExpansions(CFakeExpansionSource& source, const std::vector<Case>& cases) {
    for (const auto& [input, result, expected] : cases) {
        std::u16string output = u"caller's";
        EXPECT_EQ(qrLib::ExpandVariables(input.c_str(), output, source), result)
            << std::string(input.begin(), input.end());
        EXPECT_EQ(output, expected) << std::string(input.begin(), input.end());
    }
}

TEST(ExpansionRules, Rules) {
    CFakeExpansionSource source;
    source.m_map = {
        {u"a", u"%B%\\x"}, {u"b", u"D:\\y"}, {u"empty", u""}, {u"csidl_windows", u"M:\\Win"}};
    source.m_map[u"unc"] = u"\\\\server\\share\\";
    source.m_map[u""] = u"nameless";  // as a registry key's default value is
    ExpectExpansions(
        source,
        {{u"%A%", 1, u"D:\\y\\x"},                                 // values are expanded in turn
         {u"%CSIDL_WINDOWS%\\system32", 1, u"M:\\Win\\system32"},  // the map wins
         {u"x%EMPTY%y", 1, u"xy"},
         {u"%b%;%b%", 1, u"D:\\y;D:\\y"},
         // Another case is another token, and resolving a name twice (as a cycle does) fails.
         {u"%b%;%B%", 0, u"%b%;%B%"},
         // Fewer than three characters fail before anything is cleaned up.
         {u"\\\\", 0, u"\\\\"},
         // A lone, empty or unknown variable fails with the input cleaned up.
         {u"%B%\\%", 0, u"%B%\\%"},
         {u"C:\\\\%%\\x", 0, u"C:\\%%\\x"},
         {u"%NOSUCHNAME%\\\\x", 0, u"%NOSUCHNAME%\\x"},
         {u"%CSIDL_WINDOWSX%", 0, u"%CSIDL_WINDOWSX%"},  // built-in names match whole
         // Runs of backslashes collapse; a UNC prefix keeps its two, but only at the front.
         {u"C:\\\\dir\\\\\\file", 1, u"C:\\dir\\file"},
         {u"%UNC%\\dir", 1, u"\\\\server\\share\\dir"},
         {u"x\\\\%UNC%", 1, u"x\\server\\share\\"},
         // Built-in names in any case; one the shell has no folder for fails.
         {u"%csidl_desktop%", 1, u"F:\\00"},
         {u"%CSIDL_BITBUCKET%", 0, u"%CSIDL_BITBUCKET%"}});
}

TEST(ExpansionRules, SiloDataTakesItsExtensionFromTheMap) {
    // {the map's appdataextension, the extension used}
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"%VENDOR%\\Client", u"Acme\\Client"},
        {std::u16string(50, u'e'), std::u16string(49, u'e')},
        // Leading back to the silo data directories must not recurse: the default applies.
        {u"%LOCAL_SILO_DATA%", u"Zanthrex"},
    };
    for (const auto& [extension, used] : cases) {
        CFakeExpansionSource source;
        source.m_map = {{u"appdataextension", extension}, {u"vendor", u"Acme"}};
        ExpectExpansions(source, {{u"%COMMON_SILO_DATA%", 1, u"F:\\23\\" + used + u"\\{silo}"}});
    }
}

TEST(ExpansionRules, GrowthBeyondThePathLimitFails) {
    CFakeExpansionSource source;
    source.m_map[u"big"] = std::u16string(kLongestPath - 3, u'v');
    source.m_map[u"empty"] = u"";
    // Text already beyond the limit may still expand as long as it does not grow.
    const std::u16string longText(kLongestPath + 10, u'x');
    ExpectExpansions(source, {{u"abc%BIG%", 1, u"abc" + source.m_map[u"big"]},
                              {u"%BIG%abcd", 0, u"%BIG%abcd"},
                              {longText + u"%EMPTY%", 1, longText}});
}

}  // namespace
