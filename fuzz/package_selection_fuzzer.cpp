// Package selection over any document the host-side reader accepts: every query ends, and a
// selected package really matches the identity the way it was selected.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "XmlTree.h"
#include "config/PackageSelection.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

const config::PackageIdentity kIdentities[] = {
    {u"ABCD", u"ZB", u" Win64", u"en_us"},
    {u"", u"", u" Win32", u""},
    {u"", u"ZB", u"", u"en_us"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto tree = xmltree::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!tree) {
        return 0;
    }
    xmltree::CTreeDocument document(*tree);
    for (const config::PackageIdentity& identity : kIdentities) {
        if (config::FindClientPackage(document, identity, config::PackageMatch::ByChecksum)) {
            Require(config::EqualsNoCase(document.GetAttribute(u"Checksum"), identity.checksum));
        } else if (config::FindClientPackage(document, identity,
                                             config::PackageMatch::ByDescription)) {
            Require(!identity.platformTag.empty());
            Require(document.GetAttribute(u"Type") == identity.appType + u".1");
            Require(config::EqualsNoCase(document.GetAttribute(u"Language"), identity.language));
        }
        const xmltree::Node* selected =
            config::SelectClientPackage(document, identity) ? document.Cursor() : nullptr;
        config::GetOption(document, identity, u"RebootOptions", u"AutoReboot");
        const auto features = config::GetEnabledFeatures(document, identity);
        Require(selected != nullptr || features.empty());
    }
    return 0;
}
