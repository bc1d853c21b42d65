// Which ClientPackage describes the staged package, over element trees built in place.
#include "config/PackageSelection.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "XmlTree.h"

namespace {

using xmltree::Node;
using Attributes = decltype(Node::attributes);
const config::PackageIdentity kIdentity = {u"C0FFEE", u"Zx", u" Win64", u"en_us"};
const Node kComment = {u"#comment", {}, {}};

// "Id" of the selected package among the document element's `children`; "-" when none is.
std::string Selected(std::vector<Node> children, const config::PackageIdentity& identity) {
    const Node root = {u"c", {}, std::move(children)};
    xmltree::CTreeDocument document(root);
    const std::u16string id = config::GetOption(document, identity, u"P", u"Id");
    return id.empty() ? "-" : std::string(id.begin(), id.end());
}

// An element `name` with `attributes` whose P child has the Id `id`.
Node Package(Attributes attributes, const char16_t* id, const char16_t* name = u"ClientPackage") {
    return {name, std::move(attributes), {{u"P", {{u"Id", id}}, {}}}};
}

TEST(PackageSelection, ChecksumFirstThenDescription) {
    const Attributes described = {
        {u"Product", u"X Win64"}, {u"Type", u"Zx.1"}, {u"Language", u"en_us"}};
    const std::tuple<const char*, std::vector<Node>, const char*> cases[] = {
        {"checksum beats an earlier description",
         {Package(described, u"1"), Package({{u"Checksum", u"c0ffee"}}, u"2")},
         "2"},
        {"description in any case of platform and language",
         {Package({{u"Product", u"a WIN64 b"}, {u"Type", u"Zx.1"}, {u"Language", u"EN_US"}}, u"1")},
         "1"},
        {"type compares case included",
         {Package({{u"Product", u"X Win64"}, {u"Type", u"zx.1"}, {u"Language", u"en_us"}}, u"1")},
         "-"},
        {"the platform tag keeps its blank",
         {Package({{u"Product", u"XWin64"}, {u"Type", u"Zx.1"}, {u"Language", u"en_us"}}, u"1")},
         "-"},
        {"siblings after the first package are examined whatever their name",
         {Package({{u"Checksum", u"C0FFEE"}}, u"0", u"Other"),
          {u"ClientPackage", {}, {}},
          Package({{u"Checksum", u"C0FFEE"}}, u"2", u"Other")},
         "2"},
        {"packages are children of the document element only",
         {{u"g", {}, {Package({{u"Checksum", u"C0FFEE"}}, u"1")}}},
         "-"},
    };
    for (const auto& [name, packages, selected] : cases) {
        EXPECT_EQ(Selected(packages, kIdentity), selected) << name;
    }
    // Without a platform tag nothing matches by description; an empty checksum matches a
    // package without one, but not the comment before it.
    Attributes checksumAndDescription = described;
    checksumAndDescription.push_back({u"Checksum", u"1"});
    EXPECT_EQ(Selected({Package(checksumAndDescription, u"1")}, {u"C0FFEE", u"Zx", u"", u"en_us"}),
              "-");
    EXPECT_EQ(Selected({Package({{u"Checksum", u"1"}}, u"1"), kComment, Package({}, u"2")},
                       {u"", u"Zx", u" Win64", u"en_us"}),
              "2");
}

TEST(PackageSelection, FeaturesOfTheSelectedPackageInDocumentOrder) {
    const Node features = {
        u"EnabledClientFeatures",
        {},
        {{u"F", {{u"FeatureName", u"A"}}, {}}, kComment, {u"F", {{u"FeatureName", u"B"}}, {}}}};
    const Node root = {u"c", {}, {{u"ClientPackage", {{u"Checksum", u"C0FFEE"}}, {features}}}};
    xmltree::CTreeDocument document(root);
    EXPECT_EQ(config::GetEnabledFeatures(document, kIdentity),
              (std::vector<std::u16string>{u"A", u"", u"B"}));
}

}  // namespace
