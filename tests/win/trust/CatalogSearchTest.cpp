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

TEST(CatalogSearch, TriesEachCatalogUntilOneVerifies) {
    trusttest::ScriptedCatalogs script;
    script.catalogs = {{L"C:\\cat\\one.cat", static_cast<LONG>(TRUST_E_BAD_DIGEST)},
                       {L"C:\\cat\\two.cat", 0},
                       {L"C:\\cat\\three.cat", 0}};
    qrLib::CatalogSearch search = Search(script);
    EXPECT_TRUE(search.contextAcquired);
    EXPECT_TRUE(search.listed);
    EXPECT_EQ(search.status, 0);
    EXPECT_EQ(search.lastCatalog, L"C:\\cat\\two.cat");
    EXPECT_EQ(script.tried, (std::vector<std::wstring>{L"C:\\cat\\one.cat", L"C:\\cat\\two.cat"}));
    EXPECT_EQ(script.memberTags[0], L"0A1BFF");
    EXPECT_EQ(script.contextsHeld, 0);
}

TEST(CatalogSearch, FailuresKeepTheLastStatus) {
    trusttest::ScriptedCatalogs script;
    script.catalogs = {{L"C:\\cat\\one.cat", static_cast<LONG>(TRUST_E_BAD_DIGEST)},
                       {L"C:\\cat\\two.cat", static_cast<LONG>(CERT_E_UNTRUSTEDROOT)}};
    qrLib::CatalogSearch search = Search(script);
    EXPECT_TRUE(search.listed);
    EXPECT_EQ(search.status, static_cast<LONG>(CERT_E_UNTRUSTEDROOT));
    EXPECT_EQ(search.lastCatalog, L"C:\\cat\\two.cat");
    EXPECT_EQ(script.contextsHeld, 0);

    // Listed in none, or the second catalog's information unreadable: nothing is tried.
    for (const int failInfoAt : {-2, 1}) {
        script = {};
        if (failInfoAt >= 0) {
            script.catalogs = {{L"C:\\cat\\one.cat", 0}, {L"C:\\cat\\two.cat", 0}};
        }
        script.failInfoAt = failInfoAt;
        search = Search(script);
        EXPECT_FALSE(search.listed);
        EXPECT_EQ(search.status, kEmbedded);
        EXPECT_TRUE(script.tried.empty());
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
