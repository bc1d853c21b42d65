// The scene of the trust tests under Wine: the signed fixtures, the test silo whose registry root
// holds the path-expansion map and the trust policy.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "../Registry.h"
#include "qrlib/IsolationProfile.h"
#include "qrlib/qrPathExpansion.h"
#include "trust/RootCertificates.h"

namespace trusttest {

constexpr char16_t kSilo[] = u"{6E2D8B40-1F3A-4C57-9D0E-B7A41C2F8E93}";
const std::wstring kRoot = L"Software\\Zanthrex\\Isolation\\{6E2D8B40-1F3A-4C57-9D0E-B7A41C2F8E93}";
// The silo's root and its path-expansion map in the 32-bit view, where the product reads them.
const wintest::RegKey kRootKey{HKEY_LOCAL_MACHINE, kRoot, KEY_WOW64_32KEY};
const wintest::RegKey kMapKey{HKEY_LOCAL_MACHINE, kRoot + qrLib::qrPathExpansion::kMapSubkey,
                              KEY_WOW64_32KEY};
// Where the file-attribute stand-in reads its stored words.
const wintest::RegKey kAttrStore{HKEY_CURRENT_USER, L"Software\\YolTest\\FileAttr64", 0};

// A Unix path of the build as Wine reaches it (drive Z:).
inline std::wstring WinePath(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return L"Z:" + path;
}

// A signed fixture ("signed-publisher.exe" ...) by file name.
inline std::wstring Fixture(const wchar_t* name) {
    return WinePath(YOL_TRUST_FIXTURE_DIR L"/") + name;
}

// Points the path-expansion map of the test silo at one FileAttr64.dll stand-in ("good" ...).
inline void UseFileAttr(const wchar_t* variant) {
    wintest::SetString(kMapKey, L"ZanFileAttr64",
                       WinePath(YOL_FILEATTR_FIXTURE_DIR L"/") + variant);
}

// Sets the process's isolation profile to the test silo (once).
inline void UseTestSilo() {
    ASSERT_TRUE(qrLib::ProcessIsolation().Initialize(kSilo));
}

// In the test silo, with its registry root and the stored words removed before and after a test.
// The test PKI's chain, which this executable embeds like the product, goes into the machine's
// stores first (once), so that the publisher's signatures are trusted.
class TrustScene : public ::testing::Test {
protected:
    TrustScene() {
        static const HRESULT installed = InstallEmbeddedCertificates();
        EXPECT_EQ(installed, S_OK);
        UseTestSilo();
        Clear();
    }
    ~TrustScene() override { Clear(); }
    static void Clear() {
        wintest::DeleteTree(kRootKey);
        wintest::DeleteTree(kAttrStore);
    }
};

}  // namespace trusttest
