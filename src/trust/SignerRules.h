// The publisher's signer rules over plain certificate facts: the enhanced key usages, the rendered
// subject and its name fields. The Windows side reads the facts from a certificate; the rules
// decide. Every answer is a VerifyResult.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "trust/PublisherNames.h"
#include "trust/TrustResults.h"

namespace qrLib {

enum class NameField { CommonName, OrganizationalUnit, Organization, Locality, State, Country };

// What the rules need to know of one signer certificate.
class ICertificateFacts {
public:
    virtual ~ICertificateFacts() = default;
    // kTrusted with the usage identifiers, or the failure's VerifyResult.
    virtual VerifyResult Usages(std::vector<std::string>& oids) = 0;
    // kTrusted with the subject rendered one attribute per line, or the failure's VerifyResult.
    virtual VerifyResult RenderedSubject(std::u16string& text) = 0;
    // The field's text; none when the certificate has no non-empty value for it.
    virtual std::optional<std::u16string> Field(NameField field) = 0;
};

// The expected names by role; an entry that is not set reads as empty.
class IExpectedNames {
public:
    virtual ~IExpectedNames() = default;
    virtual std::u16string Name(PublisherRole role) = 0;
};

struct SignerUsages {
    bool systemComponent = false;
    bool driver = false;
};

// kTrusted when the code-signing usage is listed (with the two Windows usages noted), else
// kNotTrusted with both cleared; a failed read answers its own result.
VerifyResult CheckCodeSigningUsage(ICertificateFacts& facts, SignerUsages& usages);
// kTrusted when the subject marker occurs in the rendered subject.
VerifyResult CheckSubjectMarker(ICertificateFacts& facts, IExpectedNames& names);
// The publisher's names: its unit marker alone, or common name and organization from the pairs
// (1 with 1 or 2; 3 or 4 with 3 or 4); locality, state and country must be present.
VerifyResult CheckPublisherName(ICertificateFacts& facts, IExpectedNames& names);
// The organization (or the unit naming it), or the organization unit marker.
VerifyResult CheckOrganization(ICertificateFacts& facts, IExpectedNames& names);
// Every field of the publisher's full subject.
VerifyResult CheckFullSubject(ICertificateFacts& facts, IExpectedNames& names);

// The signer stage for `level` (1 to 5) in `mode` (1, or 2 with revocation): the usage or the
// marker is required at every level; level 3 adds the publisher, 4 the organization, 5 the full
// subject. Sets the detail bits of what passed. Level or mode 0: kInvalidArgument.
VerifyResult SignerChecks(ICertificateFacts& facts, IExpectedNames& names, std::uint32_t level,
                          std::uint32_t mode, SignerUsages& usages, std::uint32_t& detail);

}  // namespace qrLib
