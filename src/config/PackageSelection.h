// Which ClientPackage of config.xml describes the staged package, and the answers read from it.
// A config.xml can describe several packages; the staged one is recognised by its checksum or,
// failing that, by its description (platform, application type, language).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigDocument.h"

namespace config {

// What the package builder wrote into the staged package's zudUvu.ini.
struct PackageIdentity {
    std::u16string checksum;
    std::u16string appType;
    std::u16string platformTag;  // " Win32", " Win64", or empty when unknown
    std::u16string language;
};

enum class PackageMatch { ByChecksum, ByDescription };

// Case is ignored for the ASCII letters only, as in the C runtime's default locale.
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
// Whether `part` occurs in `text`, case ignored; an empty part is never found.
bool ContainsNoCase(std::u16string_view text, std::u16string_view part);

// Walks the "ClientPackage" children of the document element from the first one on (after the
// first, every following sibling is examined, whatever its name) and stops on the first element
// that matches: by checksum, its "Checksum" equals the identity's (case ignored, so an empty
// checksum matches a package without one); by description, its "Product" contains the platform tag
// (case ignored), its "Type" is the application type followed by ".1" exactly, and its "Language"
// equals the language (case ignored). True with the cursor on the match.
bool FindClientPackage(IConfigDocument& document, const PackageIdentity& identity,
                       PackageMatch match);

// By checksum, else by description. True with the cursor on the package.
bool SelectClientPackage(IConfigDocument& document, const PackageIdentity& identity);

// Attribute `attribute` of the child `element` of the selected package; empty when anything along
// the way is missing.
std::u16string GetOption(IConfigDocument& document, const PackageIdentity& identity,
                         const std::u16string& element, const std::u16string& attribute);

// The "FeatureName" of every child of the selected package's "EnabledClientFeatures", in document
// order; a child without one (a comment among them) gives an empty name.
std::vector<std::u16string> GetEnabledFeatures(IConfigDocument& document,
                                               const PackageIdentity& identity);

}  // namespace config
