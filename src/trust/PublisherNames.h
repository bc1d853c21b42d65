// The publisher's expected signer names: the roles, the "role=value" file a deployment supplies at
// build time, and the complement the binary stores every value in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qrLib {

// The table has 32 entries; the roles occupy the first ones, in this order.
enum class PublisherRole : std::uint32_t {
    SubjectMarker,
    PublisherName1,
    PublisherName2,
    PublisherName3,
    PublisherName4,
    PublisherUnitMarker,
    OrganizationName,
    OrganizationUnitMarker,
    FullSubjectName,
    FullSubjectUnit1,
    FullSubjectUnit2,
    FullSubjectLocality,
    FullSubjectState1,
    FullSubjectState2,
    FullSubjectCountry,
};

constexpr std::size_t kPublisherRoleCount = 15;
constexpr std::size_t kExpectedNameCount = 32;

// The role's name in the names file ("subject_marker" ...).
const char* PublisherRoleName(PublisherRole role);

struct PublisherNamesFile {
    bool ok = false;
    // On failure: "line N: <what is wrong>: <the line>".
    std::string error;
    // Values by table index; roles left out and the unused entries are empty.
    std::array<std::string, kExpectedNameCount> values;
};

// Parses the names file: one "role=value" per line, each role at most once, the value taken as
// written up to the line end (CR LF accepted) and printable ASCII only, since the product decodes
// it in the system's ANSI code page. Blank lines and lines starting with '#' are skipped; a UTF-8
// byte-order mark at the start is ignored.
PublisherNamesFile ParsePublisherNames(std::string_view text);

// Complements every byte of `data`, four bytes at a time and then the rest: the stored form and
// its decode are the same operation.
void ComplementBytes(std::uint8_t* data, std::size_t size);

}  // namespace qrLib
