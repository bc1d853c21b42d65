// The catalog loop through scripted catalog functions: Wine's catalog database is a stub.
#include "TrustTestSupport.h"

#include <softpub.h>

#include "trust/CatalogSearch.h"
#include "trust/TrustDecisions.h"

namespace {

constexpr LONG kEmbedded = static_cast<LONG>(TRUST_E_NOSIGNATURE);
const GUID kAction = WINTRUST_ACTION_GENERIC_VERIFY_V2;

qrLib::CatalogSearch Search(trusttest::ScriptedCatalogs& script) {
    return qrLib::SearchCatalogs(trusttest::ScriptedCatalogApi(script),
                                 trusttest::Fixture(L"unsigned.exe"), kAction, 1, kEmbedded);
}

// The catalogs are tried in turn until one verifies; the last status tried stands. Listed in none,
// or a catalog's information unreadable: nothing is tried and the embedded status stands.
TEST(CatalogSearch, TriesEachCatalogUntilOneVerifies) {
    const std::wstring one = L"C:\\cat\\one.cat", two = L"C:\\cat\\two.cat";
    const LONG badDigest = static_cast<LONG>(TRUST_E_BAD_DIGEST);
    const LONG untrusted = static_cast<LONG>(CERT_E_UNTRUSTEDROOT);
    struct Case {
        std::vector<trusttest::ScriptedCatalogs::Catalog> catalogs;
        int failInfoAt;
        LONG status;
        std::vector<std::wstring> tried;
    };
    const Case cases[] = {
        {{{one, badDigest}, {two, 0}, {L"C:\\cat\\three.cat", 0}}, -1, 0, {one, two}},
        {{{one, badDigest}, {two, untrusted}}, -1, untrusted, {one, two}},
        {{}, -1, kEmbedded, {}},
        {{{one, 0}, {two, 0}}, 1, kEmbedded, {}},
    };
    for (const Case& c : cases) {
        trusttest::ScriptedCatalogs script;
        script.catalogs = c.catalogs;
        script.failInfoAt = c.failInfoAt;
        const qrLib::CatalogSearch search = Search(script);
        EXPECT_TRUE(search.contextAcquired);
        EXPECT_EQ(search.listed, !c.tried.empty());
        EXPECT_EQ(search.status, c.status);
        EXPECT_EQ(search.lastCatalog, c.tried.empty() ? L"" : c.tried.back());
        EXPECT_EQ(script.tried, c.tried);
        EXPECT_EQ(script.memberTags, std::vector<std::wstring>(c.tried.size(), L"0A1BFF"));
        EXPECT_EQ(script.contextsHeld, 0);
    }
}

TEST(CatalogSearch, HashFailureMapsToNotTrustedOrVerificationError) {
    const std::pair<DWORD, std::uint32_t> cases[] = {{87, 3}, {5, 4}};
    for (const auto& [error, result] : cases) {
        trusttest::ScriptedCatalogs script;
        script.catalogs = {{L"C:\\cat\\one.cat", 0}};
        script.hashError = error;
        const qrLib::CatalogSearch search = Search(script);
        EXPECT_TRUE(script.tried.empty());
        EXPECT_EQ(qrLib::ResultFromTrustError(static_cast<std::uint32_t>(search.status),
                                              [] { return 0u; }),
                  result)
            << error;
    }
}

}  // namespace
