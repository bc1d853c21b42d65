// Which ClientPackage describes the staged package, over documents written as XML text.
#include "config/PackageSelection.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "XmlTree.h"

namespace {

const config::PackageIdentity kIdentity = {u"C0FFEE", u"Zx", u" Win64", u"en_us"};

// "Id" of the selected package; "-" when none is.
std::string Selected(const std::string& packages, const config::PackageIdentity& identity) {
    const auto root = xmltree::Parse("<c>" + packages + "</c>");
    xmltree::CTreeDocument document(*root);
    const std::u16string id = config::GetOption(document, identity, u"P", u"Id");
    return id.empty() ? "-" : std::string(id.begin(), id.end());
}

// A package with `attributes` whose P element has the Id `id`.
std::string Package(const std::string& attributes, const char* id) {
    return "<ClientPackage " + attributes + "><P Id='" + id + "'/></ClientPackage>";
}

TEST(PackageSelection, ChecksumFirstThenDescription) {
    const std::string kDescribed = R"(Product="X Win64" Type="Zx.1" Language="en_us")";
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"checksum beats an earlier description",
         Package(kDescribed, "1") + Package("Checksum='c0ffee'", "2"), "2"},
        {"description in any case of platform and language",
         Package(R"(Product="a WIN64 b" Type="Zx.1" Language="EN_US")", "1"), "1"},
        {"type compares case included",
         Package(R"(Product="X Win64" Type="zx.1" Language="en_us")", "1"), "-"},
        {"the platform tag keeps its blank",
         Package(R"(Product="XWin64" Type="Zx.1" Language="en_us")", "1"), "-"},
        {"siblings after the first package are examined whatever their name",
         "<Other Checksum='C0FFEE'><P Id='0'/></Other><ClientPackage/>"
         "<Other Checksum='C0FFEE'><P Id='2'/></Other>",
         "2"},
        {"packages are children of the document element only",
         "<g>" + Package("Checksum='C0FFEE'", "1") + "</g>", "-"},
    };
    for (const auto& [name, packages, selected] : cases) {
        EXPECT_EQ(Selected(packages, kIdentity), selected) << name;
    }
    // Without a platform tag nothing matches by description; an empty checksum matches a
    // package without one, but not the comment before it.
    EXPECT_EQ(
        Selected(Package("Checksum='1' " + kDescribed, "1"), {u"C0FFEE", u"Zx", u"", u"en_us"}),
        "-");
    EXPECT_EQ(Selected(Package("Checksum='1'", "1") + "<!-- c -->" + Package("", "2"),
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
