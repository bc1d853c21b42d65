#include "config/PackageSelection.h"

namespace config {

namespace {

constexpr char16_t ToUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

// A node that is not an element (a comment among the packages) has no attributes and must not
// match an empty checksum.
bool Matches(IConfigDocument& document, const PackageIdentity& identity, PackageMatch match) {
    if (!document.IsElement()) {
        return false;
    }
    if (match == PackageMatch::ByChecksum) {
        return EqualsNoCase(document.GetAttribute(u"Checksum"), identity.checksum);
    }
    return ContainsNoCase(document.GetAttribute(u"Product"), identity.platformTag) &&
           document.GetAttribute(u"Type") == identity.appType + u".1" &&
           EqualsNoCase(document.GetAttribute(u"Language"), identity.language);
}

}  // namespace

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToUpper(a[i]) != ToUpper(b[i])) {
            return false;
        }
    }
    return true;
}

bool ContainsNoCase(std::u16string_view text, std::u16string_view part) {
    if (part.empty() || part.size() > text.size()) {
        return false;
    }
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        if (EqualsNoCase(text.substr(at, part.size()), part)) {
            return true;
        }
    }
    return false;
}

bool FindClientPackage(IConfigDocument& document, const PackageIdentity& identity,
                       PackageMatch match) {
    document.ToRoot();
    if (!document.FindChild(u"ClientPackage")) {
        return false;
    }
    do {
        if (Matches(document, identity, match)) {
            return true;
        }
    } while (document.NextSibling());
    return false;
}

bool SelectClientPackage(IConfigDocument& document, const PackageIdentity& identity) {
    return FindClientPackage(document, identity, PackageMatch::ByChecksum) ||
           FindClientPackage(document, identity, PackageMatch::ByDescription);
}

std::u16string GetOption(IConfigDocument& document, const PackageIdentity& identity,
                         const std::u16string& element, const std::u16string& attribute) {
    if (!SelectClientPackage(document, identity) || !document.FindChild(element)) {
        return {};
    }
    return document.GetAttribute(attribute);
}

std::vector<std::u16string> GetEnabledFeatures(IConfigDocument& document,
                                               const PackageIdentity& identity) {
    std::vector<std::u16string> features;
    if (!SelectClientPackage(document, identity) || !document.FindChild(u"EnabledClientFeatures") ||
        !document.FirstChild()) {
        return features;
    }
    do {
        features.push_back(document.GetAttribute(u"FeatureName"));
    } while (document.NextSibling());
    return features;
}

}  // namespace config
