// Which ClientPackage describes the staged package, over documents written as XML text.
#include "config/PackageSelection.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "XmlTree.h"

namespace {

const config::PackageIdentity kIdentity = {u"C0FFEE", u"Zx", u" Win64", u"en_us"};
const std::u16string kNoTag = u"";

// "Id" of the selected package; "-" when none is.
std::string Selected(const std::string& packages, const config::PackageIdentity& identity) {
    const auto root = xmltree::Parse("<c>" + packages + "</c>");
    xmltree::CTreeDocument document(*root);
    const std::u16string id = config::GetOption(document, identity, u"P", u"Id");
    return id.empty() ? "-" : std::string(id.begin(), id.end());
}

TEST(PackageSelection, ChecksumFirstThenDescription) {
    const std::string kDescribed = R"(Product="X Win64" Type="Zx.1" Language="en_us")";
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"checksum beats an earlier description",
         "<ClientPackage " + kDescribed +
             "><P Id='1'/></ClientPackage>"
             "<ClientPackage Checksum='c0ffee'><P Id='2'/></ClientPackage>",
         "2"},
        {"description in any case of platform and language",
         R"(<ClientPackage Product="a WIN64 b" Type="Zx.1" Language="EN_US"><P Id="1"/>
            </ClientPackage>)",
         "1"},
        {"type compares case included",
         R"(<ClientPackage Product="X Win64" Type="zx.1" Language="en_us"><P Id="1"/>
            </ClientPackage>)",
         "-"},
        {"the platform tag keeps its blank",
         R"(<ClientPackage Product="XWin64" Type="Zx.1" Language="en_us"><P Id="1"/>
            </ClientPackage>)",
         "-"},
        {"siblings after the first package are examined whatever their name",
         "<Other Checksum='C0FFEE'><P Id='0'/></Other><ClientPackage/>"
         "<Other Checksum='C0FFEE'><P Id='2'/></Other>",
         "2"},
        {"packages are children of the document element only",
         "<g><ClientPackage Checksum='C0FFEE'><P Id='1'/></ClientPackage></g>", "-"},
    };
    for (const auto& [name, packages, selected] : cases) {
        EXPECT_EQ(Selected(packages, kIdentity), selected) << name;
    }
    // Without a platform tag nothing matches by description; an empty checksum matches a
    // package without one, but not the comment before it.
    EXPECT_EQ(Selected("<ClientPackage Checksum='1' " + kDescribed + "><P Id='1'/></ClientPackage>",
                       {u"C0FFEE", u"Zx", kNoTag, u"en_us"}),
              "-");
    EXPECT_EQ(Selected("<ClientPackage Checksum='1'><P Id='1'/></ClientPackage><!-- c -->"
                       "<ClientPackage><P Id='2'/></ClientPackage>",
                       {u"", u"Zx", u" Win64", u"en_us"}),
              "2");
}

TEST(PackageSelection, FeaturesOfTheSelectedPackageInDocumentOrder) {
    const auto root = xmltree::Parse(
        R"(<c><ClientPackage Checksum="C0FFEE"><EnabledClientFeatures><F FeatureName="A"/>
           <!-- c --><F FeatureName="B"/></EnabledClientFeatures></ClientPackage></c>)");
    xmltree::CTreeDocument document(*root);
    EXPECT_EQ(config::GetEnabledFeatures(document, kIdentity),
              (std::vector<std::u16string>{u"A", u"", u"B"}));
}

}  // namespace
