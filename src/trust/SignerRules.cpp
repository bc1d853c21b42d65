#include "trust/SignerRules.h"

namespace qrLib {

namespace {

constexpr char kCodeSigningOid[] = "1.3.6.1.5.5.7.3.3";
constexpr char kSystemComponentOid[] = "1.3.6.1.4.1.311.10.3.6";
constexpr char kDriverOid[] = "1.3.6.1.4.1.311.10.3.5";

// An expected name that is not set must match nothing, not even an equally empty field.
bool Equals(const std::optional<std::u16string>& field, const std::u16string& expected) {
    return field && !expected.empty() && *field == expected;
}

bool EqualsEither(const std::optional<std::u16string>& field, const std::u16string& first,
                  const std::u16string& second) {
    return Equals(field, first) || Equals(field, second);
}

}  // namespace

VerifyResult CheckCodeSigningUsage(ICertificateFacts& facts, SignerUsages& usages) {
    usages = SignerUsages{};
    std::vector<std::string> oids;
    const VerifyResult read = facts.Usages(oids);
    if (read != kTrusted) {
        return read;
    }
    bool codeSigning = false;
    for (const std::string& oid : oids) {
        if (oid == kCodeSigningOid) {
            codeSigning = true;
        } else if (oid == kSystemComponentOid) {
            usages.systemComponent = true;
        } else if (oid == kDriverOid) {
            usages.driver = true;
        }
    }
    if (!codeSigning) {
        usages = SignerUsages{};
        return kNotTrusted;
    }
    return kTrusted;
}

VerifyResult CheckSubjectMarker(ICertificateFacts& facts, IExpectedNames& names) {
    std::u16string subject;
    const VerifyResult read = facts.RenderedSubject(subject);
    if (read != kTrusted) {
        return read;
    }
    const std::u16string marker = names.Name(PublisherRole::SubjectMarker);
    return !marker.empty() && subject.find(marker) != std::u16string::npos ? kTrusted : kNotTrusted;
}

VerifyResult CheckPublisherName(ICertificateFacts& facts, IExpectedNames& names) {
    const std::optional<std::u16string> commonName = facts.Field(NameField::CommonName);
    if (!commonName) {
        return kNotTrusted;
    }
    const std::optional<std::u16string> unit = facts.Field(NameField::OrganizationalUnit);
    if (!unit) {
        return kNotTrusted;
    }
    if (Equals(unit, names.Name(PublisherRole::PublisherUnitMarker))) {
        return kTrusted;
    }
    const std::optional<std::u16string> organization = facts.Field(NameField::Organization);
    if (!organization || !facts.Field(NameField::Locality) || !facts.Field(NameField::State) ||
        !facts.Field(NameField::Country)) {
        return kNotTrusted;
    }
    const std::u16string name1 = names.Name(PublisherRole::PublisherName1);
    if (Equals(commonName, name1) &&
        EqualsEither(organization, name1, names.Name(PublisherRole::PublisherName2))) {
        return kTrusted;
    }
    const std::u16string name3 = names.Name(PublisherRole::PublisherName3);
    const std::u16string name4 = names.Name(PublisherRole::PublisherName4);
    if (!EqualsEither(commonName, name3, name4)) {
        return kNotTrusted;
    }
    return EqualsEither(organization, name3, name4) ? kTrusted : kNotTrusted;
}

VerifyResult CheckOrganization(ICertificateFacts& facts, IExpectedNames& names) {
    const std::u16string organizationName = names.Name(PublisherRole::OrganizationName);
    bool unitNamesOrganization = false;
    const std::optional<std::u16string> unit = facts.Field(NameField::OrganizationalUnit);
    if (unit) {
        unitNamesOrganization = Equals(unit, organizationName);
        if (Equals(unit, names.Name(PublisherRole::OrganizationUnitMarker))) {
            return kTrusted;
        }
    }
    const std::optional<std::u16string> organization = facts.Field(NameField::Organization);
    if (!organization) {
        return kNotTrusted;
    }
    return Equals(organization, organizationName) || unitNamesOrganization ? kTrusted : kNotTrusted;
}

VerifyResult CheckFullSubject(ICertificateFacts& facts, IExpectedNames& names) {
    const std::optional<std::u16string> commonName = facts.Field(NameField::CommonName);
    const std::optional<std::u16string> unit = facts.Field(NameField::OrganizationalUnit);
    const std::optional<std::u16string> organization = facts.Field(NameField::Organization);
    const std::optional<std::u16string> locality = facts.Field(NameField::Locality);
    const std::optional<std::u16string> state = facts.Field(NameField::State);
    const std::optional<std::u16string> country = facts.Field(NameField::Country);
    if (!commonName || !organization || !locality || !state || !country) {
        return kNotTrusted;
    }
    const std::u16string fullName = names.Name(PublisherRole::FullSubjectName);
    const bool unitMatches =
        !unit || EqualsEither(unit, names.Name(PublisherRole::FullSubjectUnit1),
                              names.Name(PublisherRole::FullSubjectUnit2));
    const bool matches = Equals(commonName, fullName) && unitMatches &&
                         Equals(organization, fullName) &&
                         Equals(locality, names.Name(PublisherRole::FullSubjectLocality)) &&
                         EqualsEither(state, names.Name(PublisherRole::FullSubjectState1),
                                      names.Name(PublisherRole::FullSubjectState2)) &&
                         Equals(country, names.Name(PublisherRole::FullSubjectCountry));
    return matches ? kTrusted : kNotTrusted;
}

VerifyResult SignerChecks(ICertificateFacts& facts, IExpectedNames& names, std::uint32_t level,
                          std::uint32_t mode, SignerUsages& usages, std::uint32_t& detail) {
    if (level == 0 || mode == 0) {
        return kInvalidArgument;
    }
    VerifyResult result = CheckCodeSigningUsage(facts, usages);
    if (result != kTrusted) {
        result = CheckSubjectMarker(facts, names);
        if (result != kTrusted) {
            return result;
        }
    }
    detail |= kDetailUsageOrMarker;
    result = kTrusted;
    const VerifyResult publisher = CheckPublisherName(facts, names);
    if (publisher == kTrusted) {
        detail |= kDetailPublisher;
    } else if (level == 3) {
        result = publisher;
    }
    const VerifyResult organization = CheckOrganization(facts, names);
    if (organization == kTrusted) {
        detail |= kDetailOrganization;
        detail |= usages.systemComponent ? kDetailSystemComponent : 0;
        detail |= usages.driver ? kDetailDriver : 0;
    } else if (level == 4) {
        result = organization;
    }
    if (level == 5) {
        return CheckFullSubject(facts, names);
    }
    return result;
}

}  // namespace qrLib
