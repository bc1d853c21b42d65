// The embedded chain against Wine's real local machine stores, with the test PKI's root and
// intermediate (the intermediate's serial is the build's outdated serial).
#include "trust/RootCertificates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win/unique_any.h"

namespace {

win::unique_cert_context LoadPem(const char* name) {
    const std::string path = std::string("Z:") + YOL_TEST_PKI_DIR + "/" + name;
    const std::wstring widePath(path.begin(), path.end());
    PCCERT_CONTEXT certificate = nullptr;
    EXPECT_TRUE(CryptQueryObject(CERT_QUERY_OBJECT_FILE, widePath.c_str(),
                                 CERT_QUERY_CONTENT_FLAG_CERT, CERT_QUERY_FORMAT_FLAG_ALL, 0,
                                 nullptr, nullptr, nullptr, nullptr, nullptr,
                                 reinterpret_cast<const void**>(&certificate)))
        << name;
    return win::unique_cert_context(certificate);
}

win::unique_cert_store OpenStore(const wchar_t* name) {
    return win::unique_cert_store(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, name));
}

// The certificate's copy in `store`; null when it is not there.
PCCERT_CONTEXT Find(HCERTSTORE store, PCCERT_CONTEXT certificate) {
    return CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate,
                                      nullptr);
}

bool InStore(const wchar_t* store, PCCERT_CONTEXT certificate) {
    return static_cast<bool>(win::unique_cert_context(Find(OpenStore(store).get(), certificate)));
}

void Remove(const wchar_t* store, PCCERT_CONTEXT certificate) {
    const win::unique_cert_store opened = OpenStore(store);
    if (const PCCERT_CONTEXT found = Find(opened.get(), certificate)) {
        CertDeleteCertificateFromStore(found);
        CertControlStore(opened.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
}

// Neither certificate in either store before and after each test; the store opener restored.
class RootCertificates : public ::testing::Test {
protected:
    RootCertificates() { Clear(); }
    ~RootCertificates() override {
        SetMachineStoreOpener(nullptr);
        Clear();
    }
    void Clear() {
        for (const wchar_t* store : {L"ROOT", L"CA"}) {
            Remove(store, m_root.get());
            Remove(store, m_intermediate.get());
        }
    }
    // Opens stores for real, except that the opens numbered in `failing` (from 0) fail with
    // ERROR_ACCESS_DENIED; counts the opens and remembers which stores they named.
    void FailOpens(std::vector<int> failing) {
        SetMachineStoreOpener([this, failing](const wchar_t* name) -> HCERTSTORE {
            const int number = static_cast<int>(m_opens.size());
            m_opens.push_back(name);
            if (std::find(failing.begin(), failing.end(), number) != failing.end()) {
                SetLastError(ERROR_ACCESS_DENIED);
                return nullptr;
            }
            return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                 CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG,
                                 name);
        });
    }
    HRESULT Refresh() { return RefreshRootCertificates(m_state); }

    win::unique_cert_context m_root = LoadPem("root.pem");
    win::unique_cert_context m_intermediate = LoadPem("intermediate.pem");
    std::vector<std::wstring> m_messages;
    std::vector<std::wstring> m_opens;
    RootRefreshState m_state{true, false,
                             [this](const std::wstring& m) { m_messages.push_back(m); }};
};

TEST_F(RootCertificates, TheOutdatedCertificateLeavesRootAndTheChainArrives) {
    ASSERT_TRUE(CertAddCertificateContextToStore(OpenStore(L"ROOT").get(), m_intermediate.get(),
                                                 CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    EXPECT_EQ(Refresh(), S_OK);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_FALSE(InStore(L"ROOT", m_intermediate.get()));
    EXPECT_TRUE(InStore(L"CA", m_intermediate.get()));
    EXPECT_TRUE(InStore(L"ROOT", m_root.get()));
    EXPECT_FALSE(InStore(L"CA", m_root.get()));
}

// Each failure is reported and the state is refreshed all the same: a second refresh touches no
// store.
TEST_F(RootCertificates, StoresThatCannotBeOpenedAreReportedOnce) {
    FailOpens({0, 2});  // the deletion's ROOT and the install's CA
    EXPECT_EQ(Refresh(), static_cast<HRESULT>(0x80070005));
    EXPECT_EQ(m_messages,
              (std::vector<std::wstring>{L"Failed to delete certificate. HRESULT: 0x80070005",
                                         L"Failed to install certificate. HRESULT: 0x80070005"}));
    EXPECT_FALSE(InStore(L"ROOT", m_root.get()));
    EXPECT_EQ(Refresh(), 1);
    EXPECT_EQ(m_opens, (std::vector<std::wstring>{L"ROOT", L"ROOT", L"CA"}));
}

TEST_F(RootCertificates, ABrokenBundleFails) {
    // Bytes that are not PKCS#7, and no ROOTC resource at all.
    for (const wchar_t* library : {L"rootcNotPkcs7.dll", L"kernel32.dll"}) {
        const win::unique_hmodule module(
            LoadLibraryExW(library, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(module) << library;
        EXPECT_LT(InstallEmbeddedCertificatesFrom(module.get()), 0) << library;
    }
}

}  // namespace
