#include "qrlib/ExpansionRules.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "qrlib/BuiltinFolders.h"
#include "qrlib/CaseFold.h"

namespace {

using qrLib::ExpandVariables;

// An in-memory map and shell: folders are "F:\<csidl in hex>", silo data directories are
// "<folder>\<extension>\<silo>".
class CFakeSource : public qrLib::IExpansionSource {
public:
    bool OpenMap() override {
        ++m_opens;
        return m_mapOpens;
    }
    bool ReadMapValue(const std::u16string& name, std::u16string& value) override {
        EXPECT_EQ(name, qrLib::FoldCase(name));
        const auto found = m_map.find(name);
        if (found == m_map.end()) {
            return false;
        }
        value = found->second;
        return true;
    }
    bool ShellFolder(std::uint32_t csidl, std::u16string& path) override {
        path = Folder(csidl);
        return csidl != 0x0A;  // the recycle bin has no path
    }
    bool CurrentVersionDir(const char16_t* valueName, std::u16string& path) override {
        path = std::u16string(u"X:\\") + valueName;
        return true;
    }
    bool SiloDataPath(std::uint32_t csidl, const std::u16string& extension,
                      std::u16string& path) override {
        m_extensions.push_back(extension);
        path = Folder(csidl) + u'\\' + extension + u"\\{silo}";
        return true;
    }

    static std::u16string Folder(std::uint32_t csidl) {
        const char16_t digits[] = u"0123456789ABCDEF";
        return std::u16string(u"F:\\") + digits[(csidl >> 4) & 15] + digits[csidl & 15];
    }

    std::map<std::u16string, std::u16string> m_map;
    bool m_mapOpens = true;
    int m_opens = 0;
    std::vector<std::u16string> m_extensions;
};

struct Expanded {
    std::int32_t result;
    std::u16string output;
};

Expanded Expand(CFakeSource& source, const char16_t* input) {
    Expanded expanded{-1, u"caller's"};
    expanded.result = ExpandVariables(input, expanded.output, source);
    return expanded;
}

void ExpectExpansion(CFakeSource& source, const char16_t* input, std::int32_t result,
                     const std::u16string& output) {
    const Expanded expanded = Expand(source, input);
    EXPECT_EQ(expanded.result, result)
        << std::string(input, input + std::char_traits<char16_t>::length(input));
    EXPECT_EQ(expanded.output, output);
}

TEST(ExpansionRules, MapValuesExpandFullyAndWinOverTheTable) {
    CFakeSource source;
    source.m_map = {{u"qenconfigdir", u"D:\\Data\\Cfg\\"},
                    {u"a", u"%B%\\x"},
                    {u"b", u"D:\\y"},
                    {u"csidl_windows", u"M:\\Win"},
                    {u"empty", u""}};
    ExpectExpansion(source, u"%QENCONFIGDIR%", 1, u"D:\\Data\\Cfg\\");
    ExpectExpansion(source, u"%QENCONFIGDIR%\\config.xml", 1, u"D:\\Data\\Cfg\\config.xml");
    ExpectExpansion(source, u"%A%", 1, u"D:\\y\\x");
    ExpectExpansion(source, u"%CSIDL_WINDOWS%\\system32", 1, u"M:\\Win\\system32");
    ExpectExpansion(source, u"x%EMPTY%y", 1, u"xy");
    // Every occurrence of the exact token is replaced in one pass.
    ExpectExpansion(source, u"%b%;%b%", 1, u"D:\\y;D:\\y");
    // The same name in another case is a second token, and a second resolution fails.
    ExpectExpansion(source, u"%b%;%B%", 0, u"%b%;%B%");
}

TEST(ExpansionRules, NamesResolvedTwiceFail) {
    CFakeSource source;
    source.m_map = {{u"a", u"%A%"}, {u"p", u"%Q%"}, {u"q", u"%P%"},
                    {u"r", u"%S%"}, {u"s", u"1"},   {u"t", u"%S%"}};
    ExpectExpansion(source, u"%A%", 0, u"%A%");
    ExpectExpansion(source, u"%P%", 0, u"%P%");
    // S was replaced by the time T brings it back.
    ExpectExpansion(source, u"%R%%T%", 0, u"%R%%T%");
}

TEST(ExpansionRules, TextWithoutVariables) {
    CFakeSource source;
    ExpectExpansion(source, u"C:\\\\dir\\\\\\file", 1, u"C:\\dir\\file");
    ExpectExpansion(source, u"abc", 1, u"abc");
    // Fewer than three characters fail before any pass, so nothing is cleaned up.
    ExpectExpansion(source, u"ab", 0, u"ab");
    ExpectExpansion(source, u"\\\\", 0, u"\\\\");
    ExpectExpansion(source, u"%%", 0, u"%%");
    ExpectExpansion(source, u"", 0, u"");
}

TEST(ExpansionRules, MalformedOrUnknownVariablesFailWithTheInputCleanedUp) {
    CFakeSource source;
    source.m_map = {{u"lone", u"50%"}, {u"b", u"D:\\y"}};
    ExpectExpansion(source, u"abc%", 0, u"abc%");
    ExpectExpansion(source, u"%abc", 0, u"%abc");
    ExpectExpansion(source, u"a%b", 0, u"a%b");
    ExpectExpansion(source, u"C:\\\\%%\\x", 0, u"C:\\%%\\x");
    ExpectExpansion(source, u"%NOSUCHNAME%\\\\x", 0, u"%NOSUCHNAME%\\x");
    ExpectExpansion(source, u"%B%\\%", 0, u"%B%\\%");
    // A value with a lone "%" makes the next pass fail.
    ExpectExpansion(source, u"%LONE%", 0, u"%LONE%");
    ExpectExpansion(source, u"%LONE%\\%B%", 0, u"%LONE%\\%B%");
}

TEST(ExpansionRules, BackslashesCollapseButAUncPrefixStays) {
    CFakeSource source;
    source.m_map = {{u"dir", u"D:\\a\\"}, {u"unc", u"\\\\server\\share\\"}};
    ExpectExpansion(source, u"%DIR%\\b", 1, u"D:\\a\\b");
    ExpectExpansion(source, u"%UNC%\\dir", 1, u"\\\\server\\share\\dir");
    ExpectExpansion(source, u"\\\\\\\\server\\\\x", 1, u"\\\\server\\x");
    ExpectExpansion(source, u"x\\\\%UNC%", 1, u"x\\server\\share\\");

    std::u16string text = u"\\\\\\";
    qrLib::CollapseBackslashes(text);
    EXPECT_EQ(text, u"\\\\");
    text = u"a\\\\\\\\b\\c\\\\";
    qrLib::CollapseBackslashes(text);
    EXPECT_EQ(text, u"a\\b\\c\\");
}

TEST(ExpansionRules, WithoutAMapEverythingFailsAndTheOutputIsUntouched) {
    CFakeSource source;
    source.m_mapOpens = false;
    ExpectExpansion(source, u"%CSIDL_WINDOWS%", 0, u"caller's");
    ExpectExpansion(source, u"plain text", 0, u"caller's");
    ExpectExpansion(source, nullptr, 0, u"caller's");
}

TEST(ExpansionRules, BuiltinNamesResolveThroughTheirRules) {
    CFakeSource source;
    ExpectExpansion(source, u"%csidl_windows%", 1, u"F:\\24");
    ExpectExpansion(source, u"%CSIDL_SYSTEMX86%\\x", 1, u"F:\\29\\x");
    ExpectExpansion(source, u"%CSIDL_DESKTOP%", 1, u"F:\\00");
    ExpectExpansion(source, u"%CSIDL_BITBUCKET%", 0, u"%CSIDL_BITBUCKET%");
    ExpectExpansion(source, u"%CSIDL_PROGRAM_FILESX64%", 1, u"X:\\ProgramFilesDir");
    ExpectExpansion(source, u"%CSIDL_PROGRAM_FILES_COMMONX64%", 1, u"X:\\CommonFilesDir");
    ExpectExpansion(source, u"%COMMON_SILO_DATA%", 1, u"F:\\23\\Zanthrex\\{silo}");
    ExpectExpansion(source, u"%LOCAL_SILO_DATA%", 1, u"F:\\1C\\Zanthrex\\{silo}");
}

TEST(ExpansionRules, SiloDataTakesTheExtensionFromTheMap) {
    CFakeSource source;
    source.m_map = {{u"appdataextension", u"%VENDOR%\\Client"}, {u"vendor", u"Acme"}};
    ExpectExpansion(source, u"%COMMON_SILO_DATA%", 1, u"F:\\23\\Acme\\Client\\{silo}");

    // At most 49 characters of the extension are kept.
    source.m_map = {{u"appdataextension", std::u16string(60, u'e')}};
    ExpectExpansion(source, u"%LOCAL_SILO_DATA%", 1,
                    u"F:\\1C\\" + std::u16string(49, u'e') + u"\\{silo}");

    // An extension that leads back to the silo data directories cannot recurse: its expansion
    // fails and the default extension applies.
    source.m_extensions.clear();
    source.m_map = {{u"appdataextension", u"%LOCAL_SILO_DATA%"}};
    ExpectExpansion(source, u"%COMMON_SILO_DATA%", 1, u"F:\\23\\Zanthrex\\{silo}");
    EXPECT_EQ(source.m_extensions, std::vector<std::u16string>{u"Zanthrex"});

    source.m_map = {{u"appdataextension", u"%"}};
    ExpectExpansion(source, u"%COMMON_SILO_DATA%", 1, u"F:\\23\\Zanthrex\\{silo}");
}

TEST(ExpansionRules, GrowthBeyondThePathLimitFails) {
    CFakeSource source;
    // Every level doubles the text: 2^20 copies if nothing stopped it.
    for (char16_t c = u'a'; c < u'a' + 20; ++c) {
        source.m_map[std::u16string(1, c)] =
            u"%" + std::u16string(1, c + 1) + u"%%" + std::u16string(1, c + 1) + u"%";
    }
    source.m_map[u"u"] = u"leaf";
    ExpectExpansion(source, u"%A%", 0, u"%A%");

    source.m_map = {{u"big", std::u16string(qrLib::kMaxExpandedLength - 3, u'v')}};
    ExpectExpansion(source, u"abc%BIG%", 1,
                    u"abc" + std::u16string(qrLib::kMaxExpandedLength - 3, u'v'));
    ExpectExpansion(source, u"abcd%BIG%", 0, u"abcd%BIG%");
    // Text already longer than the limit may still expand as long as it does not grow.
    source.m_map = {{u"empty", u""}};
    const std::u16string longText(qrLib::kMaxExpandedLength + 10, u'x');
    ExpectExpansion(source, (longText + u"%EMPTY%").c_str(), 1, longText);
}

TEST(BuiltinFolders, SixtySortedNamesFoundInAnyCase) {
    ASSERT_EQ(qrLib::kBuiltinFolders.size(), 60u);
    for (std::size_t i = 1; i < qrLib::kBuiltinFolders.size(); ++i) {
        EXPECT_LT(qrLib::CompareNoCase(qrLib::kBuiltinFolders[i - 1].name,
                                       qrLib::kBuiltinFolders[i].name),
                  0)
            << i;
    }
    for (const qrLib::BuiltinFolder& entry : qrLib::kBuiltinFolders) {
        EXPECT_EQ(qrLib::FindBuiltinFolder(entry.name), &entry);
        EXPECT_EQ(qrLib::FindBuiltinFolder(qrLib::FoldCase(entry.name)), &entry);
    }
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"CSIDL_PROGRAM_FILES_COMMONX64")->id, 0xF0000003u);
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"CSIDL_"), nullptr);
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"CSIDL_WINDOWSX"), nullptr);
    EXPECT_EQ(qrLib::FindBuiltinFolder(u""), nullptr);
    EXPECT_EQ(qrLib::FindBuiltinFolder(u"ZZZ"), nullptr);
}

}  // namespace
