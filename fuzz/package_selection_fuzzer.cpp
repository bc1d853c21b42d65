// Package selection over any document the host-side reader accepts: every query ends, and a
// package found matches the identity the way it was found.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzRequire.h"
#include "XmlTree.h"
#include "config/PackageSelection.h"

namespace {

const config::PackageIdentity kIdentities[] = {{u"ABCD", u"ZB", u" Win64", u"en_us"},
                                               {u"", u"", u" Win32", u""}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto root = xmltree::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!root) {
        return 0;
    }
    xmltree::CTreeDocument document(*root);
    for (const config::PackageIdentity& identity : kIdentities) {
        if (config::FindClientPackage(document, identity, config::PackageMatch::ByChecksum)) {
            Require(config::EqualsNoCase(document.GetAttribute(u"Checksum"), identity.checksum));
        } else if (config::FindClientPackage(document, identity,
                                             config::PackageMatch::ByDescription)) {
            Require(document.GetAttribute(u"Type") == identity.appType + u".1");
            Require(config::EqualsNoCase(document.GetAttribute(u"Language"), identity.language));
        } else {
            Require(config::GetEnabledFeatures(document, identity).empty());
        }
        config::GetOption(document, identity, u"RebootOptions", u"AutoReboot");
    }
    return 0;
}
