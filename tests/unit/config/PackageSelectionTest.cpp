// Which ClientPackage describes the staged package, over documents written as XML text.
#include "config/PackageSelection.h"

#include <gtest/gtest.h>

#include <string>

#include "XmlTree.h"

namespace {

using config::PackageIdentity;

// "Id" of the selected package, "-" when none is selected.
std::string Selected(const std::string& xml, const PackageIdentity& identity) {
    const auto tree = xmltree::Parse(xml);
    if (!tree) {
        return "unparsed";
    }
    xmltree::CTreeDocument document(*tree);
    if (!config::SelectClientPackage(document, identity)) {
        return "-";
    }
    const std::u16string id = document.GetAttribute(u"Id");
    return std::string(id.begin(), id.end());
}

const PackageIdentity kIdentity = {u"C0FFEE", u"Zx", u" Win64", u"en_us"};

TEST(PackageSelection, ChecksumFirstThenDescription) {
    struct Case {
        const char* name;
        std::string xml;
        PackageIdentity identity;
        const char* selected;
    };
    const Case cases[] = {
        {"checksum beats an earlier description",
         R"(<c><ClientPackage Id="1" Product="X Win64" Type="Zx.1" Language="en_us"/>
            <ClientPackage Id="2" Checksum="c0ffee"/></c>)",
         kIdentity, "2"},
        {"description, any case of platform and language",
         R"(<c><ClientPackage Id="1" Checksum="BAD" Product="X WIN64 Pro" Type="Zx.1"
            Language="EN_US"/></c>)",
         kIdentity, "1"},
        {"type compares case included",
         R"(<c><ClientPackage Id="1" Product="X Win64" Type="zx.1" Language="en_us"/></c>)",
         kIdentity, "-"},
        {"type needs the .1",
         R"(<c><ClientPackage Id="1" Product="X Win64" Type="Zx" Language="en_us"/></c>)",
         kIdentity, "-"},
        {"the tag keeps its blank",
         R"(<c><ClientPackage Id="1" Product="XWin64" Type="Zx.1" Language="en_us"/></c>)",
         kIdentity, "-"},
        {"no platform tag, no description match",
         R"(<c><ClientPackage Id="1" Checksum="x" Product="X Win64" Type="Zx.1"
            Language="en_us"/></c>)",
         {u"C0FFEE", u"Zx", u"", u"en_us"},
         "-"},
        {"an empty checksum matches a package without one",
         R"(<c><ClientPackage Id="1" Checksum="AB"/><ClientPackage Id="2"/></c>)",
         {u"", u"Zx", u" Win64", u"en_us"},
         "2"},
        {"a comment between packages is passed over",
         R"(<c><ClientPackage Id="1"  Checksum="AB"/><!-- x --><ClientPackage Id="2"
            Checksum="C0FFEE"/></c>)",
         kIdentity, "2"},
        {"siblings after the first package are examined whatever their name",
         R"(<c><Other Id="0" Checksum="C0FFEE"/><ClientPackage Id="1"/>
            <Other Id="2" Checksum="C0FFEE"/></c>)",
         kIdentity, "2"},
        {"packages are children of the document element only",
         R"(<c><g><ClientPackage Id="1" Checksum="C0FFEE"/></g></c>)", kIdentity, "-"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Selected(c.xml, c.identity), c.selected) << c.name;
    }
}

TEST(PackageSelection, OptionsAndFeaturesOfTheSelectedPackage) {
    const auto tree = xmltree::Parse(
        R"(<c><ClientPackage Checksum="0"><RebootOptions AutoReboot="1"/></ClientPackage>
           <ClientPackage Checksum="C0FFEE"><RebootOptions Countdown="5"/>
           <EnabledClientFeatures><F FeatureName="A"/><!-- c --><F FeatureName="B"/>
           </EnabledClientFeatures></ClientPackage></c>)");
    ASSERT_TRUE(tree);
    xmltree::CTreeDocument document(*tree);
    EXPECT_EQ(config::GetOption(document, kIdentity, u"RebootOptions", u"Countdown"), u"5");
    EXPECT_EQ(config::GetOption(document, kIdentity, u"RebootOptions", u"AutoReboot"), u"");
    EXPECT_EQ(config::GetOption(document, kIdentity, u"InstallationOption", u"X"), u"");
    EXPECT_EQ(config::GetEnabledFeatures(document, kIdentity),
              (std::vector<std::u16string>{u"A", u"", u"B"}));
}

}  // namespace
