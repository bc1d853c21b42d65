#include "TrustTestSupport.h"

#include <algorithm>
#include <cstring>

#include "qrlib/IsolationProfile.h"
#include "trust/RootCertificates.h"
#include "trust/qrVerifyTrustImpl.h"
#include "win/unique_any.h"

namespace trusttest {

namespace {

ScriptedCatalogs* g_script = nullptr;
const BYTE kHash[] = {0x0A, 0x1B, 0xFF};

// A Unix path of the build as Wine reaches it (drive Z:).
std::wstring WinePath(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return L"Z:" + path;
}

void SetValue(HKEY root, const std::wstring& key, REGSAM view, const wchar_t* name, DWORD type,
              const void* data, DWORD size) {
    win::unique_hkey handle;
    ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              handle.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(handle.get(), name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

BOOL WINAPI Acquire(HCATADMIN* admin) {
    *admin = g_script->acquire ? reinterpret_cast<HCATADMIN>(0x1000) : nullptr;
    if (!g_script->acquire) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    }
    return g_script->acquire;
}

BOOL WINAPI Release(HCATADMIN) {
    return TRUE;
}

BOOL WINAPI CalcHash(HCATADMIN, HANDLE, DWORD* size, BYTE* hash) {
    if (g_script->hashError != 0) {
        SetLastError(g_script->hashError);
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
    SetString(HKEY_LOCAL_MACHINE, kMap, KEY_WOW64_32KEY, L"ZanFileAttr64",
              WinePath(YOL_FILEATTR_FIXTURE_DIR L"/") + variant);
}

void UseTestSilo() {
    ASSERT_TRUE(qrLib::ProcessIsolation().Initialize(kSilo));
}

void SetDword(HKEY root, const std::wstring& key, REGSAM view, const wchar_t* name, DWORD value) {
    SetValue(root, key, view, name, REG_DWORD, &value, sizeof value);
}

void SetString(HKEY root, const std::wstring& key, REGSAM view, const wchar_t* name,
               const std::wstring& value) {
    SetValue(root, key, view, name, REG_SZ, value.c_str(),
             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void DeleteTree(HKEY root, const std::wstring& key, REGSAM view) {
    win::unique_hkey handle;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_ALL_ACCESS | view, handle.put()) == ERROR_SUCCESS) {
        RegDeleteTreeW(handle.get(), nullptr);
        handle.reset();
        RegDeleteKeyExW(root, key.c_str(), view, 0);
    }
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
