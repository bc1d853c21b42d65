#include "TrustTestSupport.h"

#include <algorithm>

#include "qrlib/IsolationProfile.h"
#include "trust/RootCertificates.h"

namespace trusttest {

namespace {

// A Unix path of the build as Wine reaches it (drive Z:).
std::wstring WinePath(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return L"Z:" + path;
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
