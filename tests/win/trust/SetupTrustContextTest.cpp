// The setup trust context under Wine: its answer per file, the messages it sends, the files it
// keeps pinned until it is released, and how it gets its provider.
#include <string>
#include <vector>

#include "../TempDir.h"
#include "TrustTestSupport.h"
#include "trust/CryptoProvider.h"
#include "trust/SetupTrustContext.h"
#include "win/unique_any.h"

namespace {

using trusttest::Fixture;

bool CanOpenForWriting(const std::wstring& path) {
    return static_cast<bool>(win::unique_handle(CreateFileW(path.c_str(), GENERIC_WRITE,
                                                            FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                            nullptr, OPEN_EXISTING, 0, nullptr)));
}

class SetupTrust : public trusttest::TrustScene {
protected:
    ~SetupTrust() override { ProviderCalls() = RealProviderCalls(); }

    // A context whose messages land in m_messages.
    SetupTrustContext* Create() {
        SetupTrustContext* context = nullptr;
        CreateSetupTrustContext(&context,
                                [this](const std::wstring& text) { m_messages.push_back(text); });
        return context;
    }

    std::vector<std::wstring> m_messages;
};

TEST_F(SetupTrust, PinsTrustedFilesAndRefusesOthers) {
    const std::wstring trusted = Fixture(L"signed-publisher.exe");
    const std::wstring stranger = Fixture(L"signed-stranger.exe");
    const std::wstring missing = Fixture(L"missing.exe");
    SetupTrustContext* context = Create();
    EXPECT_EQ(S_OK, VerifySetupFile(context, trusted.c_str()));
    EXPECT_FALSE(CanOpenForWriting(trusted));
    EXPECT_EQ(static_cast<HRESULT>(0x800B0004), VerifySetupFile(context, stranger.c_str()));
    EXPECT_TRUE(CanOpenForWriting(stranger));
    EXPECT_EQ(static_cast<HRESULT>(0x80070002), VerifySetupFile(context, missing.c_str()));
    EXPECT_EQ(m_messages, (std::vector<std::wstring>{
                              L"File " + stranger + L" is not trusted. VerifyFile result: 3",
                              L"Could not open file " + missing + L". Last error: 2"}));
    ReleaseSetupTrustContext(context);
    EXPECT_TRUE(CanOpenForWriting(trusted));
}

// The file-attribute component's stored words count only when the context could create the
// component through the object factory: without it, the verifier's attribute cache is off.
TEST_F(SetupTrust, StoredWordsCountOnlyWhenTheFactoryGivesTheComponent) {
    // The component holds "publisher checked" for an unsigned file.
    wintest::SetDword(trusttest::kAttrStore, L"unsigned.exe", 0x8);
    trusttest::UseFileAttr(L"good");
    const CTempDir folder("yol-settings");
    const std::wstring settings(folder.path().begin(), folder.path().end());
    wintest::SetString(trusttest::kMapKey, L"QRROOTX64", settings);
    auto verify = [&] {
        SetupTrustContext* context = Create();
        const HRESULT result = VerifySetupFile(context, Fixture(L"unsigned.exe").c_str());
        ReleaseSetupTrustContext(context);
        return result;
    };

    // No settings component: no map, no component.
    EXPECT_EQ(static_cast<HRESULT>(0x800B0004), verify());

    ASSERT_TRUE(CopyFileW((std::wstring(L"Z:") + YOL_OBJECTS_TEST_DIR L"/qrSet.dll").c_str(),
                          (settings + L"\\qrSet.dll").c_str(), FALSE));
    WriteFileText(folder.File("qrSet.txt"),
                  "{7D583EDC-2726-42B9-B064-6BBC25E5B79C}=%ZanFileAttr64%\\FileAttr64.dll\n");
    EXPECT_EQ(S_OK, verify());
}

// The provider name and flags of each acquisition, which fails with the next of g_errors (0
// succeeds; none left: a failure).
std::vector<std::pair<std::wstring, DWORD>> g_attempts;
std::vector<DWORD> g_errors;

BOOL WINAPI ScriptedAcquire(HCRYPTPROV* provider, LPCWSTR, LPCWSTR name, DWORD type, DWORD flags) {
    EXPECT_EQ(static_cast<DWORD>(PROV_RSA_AES), type);
    const DWORD error =
        g_attempts.size() < g_errors.size() ? g_errors[g_attempts.size()] : ERROR_INVALID_FUNCTION;
    g_attempts.emplace_back(name, flags);
    if (error != 0) {
        SetLastError(error);
        return FALSE;
    }
    return RealProviderCalls().acquireContext(provider, nullptr, nullptr, PROV_RSA_AES,
                                              CRYPT_VERIFYCONTEXT);
}

TEST_F(SetupTrust, ProviderFallsBackToThePrototypeNameThenToANewKeyset) {
    const std::wstring aes = L"Microsoft Enhanced RSA and AES Cryptographic Provider";
    const std::wstring prototype = aes + L" (Prototype)";
    const DWORD notDefined = 0x80090019, badKeyset = 0x80090016;
    struct Case {
        std::vector<DWORD> errors;
        std::vector<std::pair<std::wstring, DWORD>> attempts;
        std::vector<std::wstring> messages;
    };
    const Case cases[] = {
        {{notDefined, badKeyset, 0},
         {{aes, 0xF0000000}, {prototype, 0xF0000000}, {prototype, 0xF0000008}},
         {}},
        {{badKeyset, badKeyset},
         {{aes, 0xF0000000}, {aes, 0xF0000008}},
         {L"Failed to acquire crypto context. Last error: -2146893802"}},
        {{ERROR_ACCESS_DENIED, 0},
         {{aes, 0xF0000000}},
         {L"Failed to acquire crypto context. Last error: 5"}},
    };
    ProviderCalls().acquireContext = &ScriptedAcquire;
    for (const Case& c : cases) {
        g_errors = c.errors;
        g_attempts.clear();
        m_messages.clear();
        SetupTrustContext* context = Create();
        EXPECT_EQ(c.attempts, g_attempts);
        EXPECT_EQ(c.messages, m_messages);
        // Without a provider the context still verifies.
        EXPECT_EQ(S_OK, VerifySetupFile(context, Fixture(L"signed-publisher.exe").c_str()));
        ReleaseSetupTrustContext(context);
    }
}

}  // namespace
