// The signer rules over plain certificate fields and an expected-name table of the test's own.
#include <gtest/gtest.h>

#include <map>

#include "trust/SignerRules.h"

namespace {

using qrLib::NameField;
using qrLib::PublisherRole;
using Fields = std::map<NameField, std::u16string>;

struct FakeCertificate : qrLib::ICertificateFacts {
    FakeCertificate(Fields f, std::vector<std::string> o = {}, std::u16string s = {})
        : fields(std::move(f)), oids(std::move(o)), subject(std::move(s)) {}
    qrLib::VerifyResult Usages(std::vector<std::string>& out) override {
        out = oids;
        return 1;
    }
    qrLib::VerifyResult RenderedSubject(std::u16string& text) override {
        text = subject;
        return 1;
    }
    std::optional<std::u16string> Field(NameField field) override {
        const auto found = fields.find(field);
        return found == fields.end() ? std::nullopt : std::optional(found->second);
    }
    Fields fields;
    std::vector<std::string> oids;
    std::u16string subject;
};

class FakeNames : public qrLib::IExpectedNames {
public:
    std::u16string Name(PublisherRole role) override {
        const auto found = values.find(role);
        return found == values.end() ? u"" : found->second;
    }
    std::map<PublisherRole, std::u16string> values = {
        {PublisherRole::SubjectMarker, u"MARK"},
        {PublisherRole::PublisherName1, u"Pub One"},
        {PublisherRole::PublisherName2, u"Pub One Holdings"},
        {PublisherRole::PublisherName3, u"Pub Three"},
        {PublisherRole::PublisherName4, u"Pub Four"},
        {PublisherRole::PublisherUnitMarker, u"Release Unit"},
        {PublisherRole::OrganizationName, u"Org Name"},
        {PublisherRole::OrganizationUnitMarker, u"Platform Unit"},
        {PublisherRole::FullSubjectName, u"Full Name"},
        {PublisherRole::FullSubjectUnit1, u"Unit A"},
        {PublisherRole::FullSubjectUnit2, u"Unit B"},
        {PublisherRole::FullSubjectLocality, u"Town"},
        {PublisherRole::FullSubjectState1, u"State A"},
        {PublisherRole::FullSubjectState2, u"State B"},
        {PublisherRole::FullSubjectCountry, u"ZZ"},
    };
};

// Common name, unit and organization as given; locality, state and country present.
Fields Subject(const char16_t* cn, const char16_t* ou, const char16_t* o) {
    Fields fields = {
        {NameField::Locality, u"L"}, {NameField::State, u"S"}, {NameField::Country, u"C"}};
    if (cn)
        fields[NameField::CommonName] = cn;
    if (ou)
        fields[NameField::OrganizationalUnit] = ou;
    if (o)
        fields[NameField::Organization] = o;
    return fields;
}

Fields With(Fields fields, NameField field, const char16_t* value) {
    if (value)
        fields[field] = value;
    else
        fields.erase(field);
    return fields;
}

TEST(SignerRules, PublisherOrganizationAndFullSubject) {
    FakeNames names;
    const Fields full = {
        {NameField::CommonName, u"Full Name"},   {NameField::OrganizationalUnit, u"Unit A"},
        {NameField::Organization, u"Full Name"}, {NameField::Locality, u"Town"},
        {NameField::State, u"State A"},          {NameField::Country, u"ZZ"}};
    using Check = qrLib::VerifyResult (*)(qrLib::ICertificateFacts&, qrLib::IExpectedNames&);
    const Check publisher = qrLib::CheckPublisherName;
    const Check organization = qrLib::CheckOrganization;
    const Check fullSubject = qrLib::CheckFullSubject;
    const std::tuple<Check, Fields, std::uint32_t> cases[] = {
        {publisher, Subject(u"Pub One", u"u", u"Pub One"), 1},
        {publisher, Subject(u"Pub One", u"u", u"Pub One Holdings"), 1},
        {publisher, Subject(u"Pub One", u"u", u"Pub Three"), 3},
        {publisher, Subject(u"Pub Three", u"u", u"Pub Four"), 1},
        {publisher, Subject(u"Pub Four", u"u", u"Pub One"), 3},
        {publisher, Subject(u"Pub One", nullptr, u"Pub One"), 3},
        {publisher, Subject(nullptr, u"Release Unit", nullptr), 3},
        {publisher, With(Subject(u"Pub One", u"u", u"Pub One"), NameField::Locality, nullptr), 3},
        // The unit marker alone is enough, even without the other fields.
        {publisher, With(Subject(u"x", u"Release Unit", nullptr), NameField::Locality, nullptr), 1},
        {organization, Subject(u"x", nullptr, u"Org Name"), 1},
        {organization, Subject(u"x", u"Org Name", u"Other"), 1},
        {organization, Subject(u"x", u"Platform Unit", nullptr), 1},
        {organization, Subject(u"x", u"Release Unit", u"Other"), 3},
        {organization, Subject(u"x", u"Org Name", nullptr), 3},
        {fullSubject, full, 1},
        {fullSubject, With(full, NameField::OrganizationalUnit, nullptr), 1},
        {fullSubject, With(full, NameField::OrganizationalUnit, u"Unit B"), 1},
        {fullSubject, With(full, NameField::OrganizationalUnit, u"Unit C"), 3},
        {fullSubject, With(full, NameField::State, u"State B"), 1},
        {fullSubject, With(full, NameField::State, u"State C"), 3},
        {fullSubject, With(full, NameField::Country, u"ZY"), 3},
        {fullSubject, With(full, NameField::Locality, nullptr), 3},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        FakeCertificate certificate(std::get<1>(cases[i]));
        EXPECT_EQ(std::get<0>(cases[i])(certificate, names), std::get<2>(cases[i])) << "case " << i;
    }
}

TEST(SignerRules, SignerChecksPerLevel) {
    FakeNames names;
    const std::vector<std::string> codeSigning = {"1.3.6.1.5.5.7.3.3", "1.3.6.1.4.1.311.10.3.6"};
    const Fields stranger = Subject(u"Stranger", u"Builds", u"Stranger Co");
    const Fields organization = Subject(u"Somebody", u"x", u"Org Name");
    struct Case {
        Fields fields;
        std::vector<std::string> oids;
        std::u16string subject;
        std::uint32_t results[5];  // levels 1 to 5
        std::uint32_t detail;
    };
    const Case cases[] = {
        {Subject(u"Pub One", u"u", u"Pub One"), codeSigning, u"CN=Pub One", {1, 1, 1, 3, 3}, 0xE},
        {organization, codeSigning, u"CN=Somebody", {1, 1, 3, 1, 3}, 0x36},
        // No code-signing usage: the marker anywhere in the subject stands in for it.
        {stranger, {"1.3.6.1.5.5.7.3.4"}, u"O=x\r\nOU=the MARK unit", {1, 1, 3, 3, 3}, 0x6},
        {stranger, {}, u"OU=MAR K", {3, 3, 3, 3, 3}, 0},
        // Without the code-signing usage the Windows usages do not count.
        {organization, {"1.3.6.1.4.1.311.10.3.6"}, u"MARK", {1, 1, 3, 1, 3}, 0x16},
    };
    for (const Case& c : cases) {
        for (std::uint32_t level = 1; level <= 5; ++level) {
            FakeCertificate certificate(c.fields, c.oids, c.subject);
            qrLib::SignerUsages usages;
            std::uint32_t detail = 0;
            EXPECT_EQ(qrLib::SignerChecks(certificate, names, level, 1, usages, detail),
                      c.results[level - 1])
                << c.subject.size() << " level " << level;
            EXPECT_EQ(detail, c.detail);
        }
    }
    FakeCertificate certificate(stranger);
    qrLib::SignerUsages usages;
    std::uint32_t detail = 0;
    EXPECT_EQ(qrLib::SignerChecks(certificate, names, 0, 1, usages, detail), 5u);
    EXPECT_EQ(qrLib::SignerChecks(certificate, names, 3, 0, usages, detail), 5u);
}

TEST(SignerRules, EmptyExpectedNamesMatchNothing) {
    FakeNames names;
    names.values.clear();
    FakeCertificate certificate(Subject(u"", u"", u""), {}, u"anything");
    EXPECT_EQ(qrLib::CheckSubjectMarker(certificate, names), 3u);
    EXPECT_EQ(qrLib::CheckPublisherName(certificate, names), 3u);
    EXPECT_EQ(qrLib::CheckOrganization(certificate, names), 3u);
}

}  // namespace
