#include "TrustTestSupport.h"

#include <wincrypt.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "qrlib/IsolationProfile.h"
#include "trust/qrVerifyTrustImpl.h"
#include "win/unique_any.h"

namespace trusttest {

namespace {

std::wstring g_fixtures;
std::wstring g_fileAttr;
ScriptedCatalogs* g_script = nullptr;

// A Unix directory as Wine reaches it (drive Z:).
std::wstring WinePath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c != '\0'; ++c) {
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    }
    return path;
}

// Adds the PEM certificate `file` to the local machine's store `storeName`, committed.
void AddToMachineStore(const std::string& file, const wchar_t* storeName) {
    std::ifstream input(file);
    std::stringstream pem;
    pem << input.rdbuf();
    const std::string text = pem.str();
    DWORD size = 0;
    ASSERT_TRUE(CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size,
                                     nullptr, nullptr))
        << file;
    std::vector<BYTE> der(size);
    ASSERT_TRUE(CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size,
                                     nullptr, nullptr));
    win::unique_cert_store store(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, storeName));
    ASSERT_TRUE(store);
    ASSERT_TRUE(CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), size,
                                                 CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    ASSERT_TRUE(CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr));
}

BOOL WINAPI Acquire(HCATADMIN* admin) {
    ++g_script->acquired;
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
        std::memcpy(hash, g_script->hash.data(), g_script->hash.size());
    }
    *size = static_cast<DWORD>(g_script->hash.size());
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
    return g_fixtures + L"\\" + name;
}

std::wstring FileAttrFolder(const wchar_t* variant) {
    return g_fileAttr + L"\\" + variant;
}

void UseTestSilo() {
    ASSERT_TRUE(qrLib::ProcessIsolation().Initialize(kSilo));
}

void SetDword(HKEY root, const std::wstring& key, REGSAM view, const wchar_t* name, DWORD value) {
    win::unique_hkey handle;
    ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              handle.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(handle.get(), name, 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
}

void SetString(HKEY root, const std::wstring& key, REGSAM view, const wchar_t* name,
               const std::wstring& value) {
    win::unique_hkey handle;
    ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              handle.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueExW(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
        ERROR_SUCCESS);
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

// --fixtures=<dir> --fileattr=<dir> --pki=<dir>: where the build put the signed fixtures, the
// FileAttr64.dll stand-ins and the test PKI. The PKI's root and intermediate go into the machine's
// stores first, so the publisher's chain is trusted.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::string pki;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::size_t equals = arg.find('=');
        const std::string value = equals == std::string::npos ? "" : arg.substr(equals + 1);
        if (arg.rfind("--fixtures=", 0) == 0) {
            trusttest::g_fixtures = trusttest::WinePath(value.c_str());
        } else if (arg.rfind("--fileattr=", 0) == 0) {
            trusttest::g_fileAttr = trusttest::WinePath(value.c_str());
        } else if (arg.rfind("--pki=", 0) == 0) {
            pki = "Z:" + value;
        }
    }
    if (trusttest::g_fixtures.empty() || trusttest::g_fileAttr.empty() || pki.empty()) {
        std::fprintf(stderr, "usage: %s --fixtures=DIR --fileattr=DIR --pki=DIR\n", argv[0]);
        return 2;
    }
    trusttest::AddToMachineStore(pki + "/root.pem", L"ROOT");
    trusttest::AddToMachineStore(pki + "/intermediate.pem", L"CA");
    return RUN_ALL_TESTS();
}
