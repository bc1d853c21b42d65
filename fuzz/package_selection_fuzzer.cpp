// Package selection over element trees decoded from the input: every query ends, and a package
// found is an element that matches the identity the way it was found (by description only with a
// platform tag).
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "FuzzRequire.h"
#include "XmlTree.h"
#include "config/PackageSelection.h"

namespace {

const config::PackageIdentity kIdentities[] = {{u"ABCD", u"ZB", u" Win64", u"en_us"},
                                               {u"", u"", u" Win32", u""},
                                               {u"abcd", u"ZB", u"", u"en_us"}};
// What the selection looks for, and near misses.
const char16_t* const kNames[] = {
    u"ClientPackage", u"EnabledClientFeatures", u"RebootOptions", u"Other", u"#comment", u"#text"};
const char16_t* const kAttributes[] = {u"Checksum", u"Product",     u"Type",
                                       u"Language", u"FeatureName", u"AutoReboot"};
const char16_t* const kValues[] = {u"",     u"abcd", u"{x} WIN64", u" win32", u"ZB.1",
                                   u"zb.1", u".1",   u"EN_US",     u"1"};

// Each byte adds to `node`: an attribute whose value the next byte chooses, a child whose own
// content follows it (an element's, 64 levels at most), or the end of the node.
void Decode(const std::uint8_t* data, std::size_t size, std::size_t& at, xmltree::Node& node,
            int depth) {
    while (at < size) {
        const std::uint8_t byte = data[at++];
        if (byte % 3 == 0) {
            return;
        }
        if (byte % 3 == 1 && at < size) {
            node.attributes.emplace_back(kAttributes[byte / 3 % std::size(kAttributes)],
                                         kValues[data[at++] % std::size(kValues)]);
        } else if (byte % 3 == 2) {
            node.children.push_back({kNames[byte / 3 % std::size(kNames)], {}, {}});
            xmltree::Node& child = node.children.back();  // stays put while it is filled
            if (child.name[0] != u'#' && depth < 64) {
                Decode(data, size, at, child, depth + 1);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    xmltree::Node root{u"ManagementConfig", {}, {}};
    std::size_t at = 0;
    Decode(data, size, at, root, 0);
    xmltree::CTreeDocument document(root);
    for (const config::PackageIdentity& identity : kIdentities) {
        const auto features = config::GetEnabledFeatures(document, identity);
        if (config::FindClientPackage(document, identity, config::PackageMatch::ByChecksum)) {
            Require(document.IsElement() &&
                    config::EqualsNoCase(document.GetAttribute(u"Checksum"), identity.checksum));
        } else if (config::FindClientPackage(document, identity,
                                             config::PackageMatch::ByDescription)) {
            Require(document.IsElement() && !identity.platformTag.empty() &&
                    document.GetAttribute(u"Type") == identity.appType + u".1");
            Require(config::EqualsNoCase(document.GetAttribute(u"Language"), identity.language));
        } else {
            Require(features.empty());
        }
        config::GetOption(document, identity, u"RebootOptions", u"AutoReboot");
    }
    return 0;
}
