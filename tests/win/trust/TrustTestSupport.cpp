#include "TrustTestSupport.h"

#include <algorithm>
#include <cstring>

#include "qrlib/IsolationProfile.h"
#include "trust/RootCertificates.h"
#include "trust/qrVerifyTrustImpl.h"

namespace trusttest {

namespace {

ScriptedCatalogs* g_script = nullptr;
const BYTE kHash[] = {0x0A, 0x1B, 0xFF};

// A Unix path of the build as Wine reaches it (drive Z:).
std::wstring WinePath(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return L"Z:" + path;
}

// Each scripted function sets its error whether it fails or not: callers read it only on failure.
BOOL WINAPI Acquire(HCATADMIN* admin) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    *admin = g_script->acquire ? reinterpret_cast<HCATADMIN>(0x1000) : nullptr;
    return g_script->acquire;
}

BOOL WINAPI Release(HCATADMIN) {
    return TRUE;
}

BOOL WINAPI CalcHash(HCATADMIN, HANDLE, DWORD* size, BYTE* hash) {
    SetLastError(g_script->hashError);
    if (g_script->hashError != 0) {
        return FALSE;
    }
    if (hash != nullptr) {
        std::memcpy(hash, kHash, sizeof kHash);
    }
    *size = sizeof kHash;
    return TRUE;
}

// Catalog contexts are the catalog's index + 1.
HCATINFO WINAPI EnumCatalog(HCATADMIN, BYTE*, DWORD, DWORD, HCATINFO* previous) {
    std::size_t next = 0;
    if (previous != nullptr && *previous != nullptr) {
        next = reinterpret_cast<std::size_t>(*previous);
        --g_script->contextsHeld;  // handed over to this call, which releases it
    }
    if (next >= g_script->catalogs.size()) {
        SetLastError(ERROR_NOT_FOUND);
        return nullptr;
    }
    ++g_script->contextsHeld;
    return reinterpret_cast<HCATINFO>(next + 1);
}

BOOL WINAPI CatalogInfo(HCATINFO catalog, CATALOG_INFO* info, DWORD) {
    const std::size_t index = reinterpret_cast<std::size_t>(catalog) - 1;
    if (static_cast<int>(index) == g_script->failInfoAt) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    lstrcpynW(info->wszCatalogFile, g_script->catalogs[index].path.c_str(), MAX_PATH);
    return TRUE;
}

BOOL WINAPI ReleaseCatalog(HCATADMIN, HCATINFO, DWORD) {
    --g_script->contextsHeld;
    return TRUE;
}

LONG WINAPI VerifyTrust(HWND, GUID*, void* data) {
    const auto* trust = static_cast<const WINTRUST_DATA*>(data);
    const std::wstring catalog = trust->pCatalog->pcwszCatalogFilePath;
    g_script->tried.push_back(catalog);
    g_script->memberTags.push_back(trust->pCatalog->pcwszMemberTag);
    for (const ScriptedCatalogs::Catalog& entry : g_script->catalogs) {
        if (entry.path == catalog) {
            return entry.status;
        }
    }
    return TRUST_E_NOSIGNATURE;
}

}  // namespace

std::wstring Fixture(const wchar_t* name) {
    return WinePath(YOL_TRUST_FIXTURE_DIR L"/") + name;
}

void UseFileAttr(const wchar_t* variant) {
    wintest::SetString(kMapKey, L"ZanFileAttr64",
                       WinePath(YOL_FILEATTR_FIXTURE_DIR L"/") + variant);
}

void UseTestSilo() {
    ASSERT_TRUE(qrLib::ProcessIsolation().Initialize(kSilo));
}

TrustScene::TrustScene() {
    UseTestSilo();
    wintest::DeleteTree(kRootKey);
    wintest::DeleteTree(kAttrStore);
}

TrustScene::~TrustScene() {
    wintest::DeleteTree(kRootKey);
    wintest::DeleteTree(kAttrStore);
}

const qrLib::CatalogApi& ScriptedCatalogApi(ScriptedCatalogs& script) {
    g_script = &script;
    static const qrLib::CatalogApi api = {Acquire,     Release,        CalcHash,   EnumCatalog,
                                          CatalogInfo, ReleaseCatalog, VerifyTrust};
    return api;
}

qrLib::qr_ptr<qrLib::IQrVerifyTrust> MakeVerifier(const qrLib::CatalogApi& catalogs) {
    qrLib::qr_ptr<qrLib::IQrVerifyTrust> verifier(new qrLib::CVerifyTrust(catalogs));
    EXPECT_EQ(verifier->Initialize(true), 1u);
    return verifier;
}

}  // namespace trusttest

// The test PKI's chain, which this executable embeds like the product, goes into the machine's
// stores first, so the publisher's signatures are trusted.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const HRESULT installed = InstallEmbeddedCertificates();
    if (FAILED(installed)) {
        std::fprintf(stderr, "cannot install the embedded chain: 0x%08lX\n", installed);
        return 2;
    }
    return RUN_ALL_TESTS();
}
