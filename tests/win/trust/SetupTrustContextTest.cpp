// The setup trust context under Wine: its answer per file, the messages it sends, the files it
// keeps pinned until it is released, and how it gets its provider.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TrustTestSupport.h"
#include "qrlib/qrPathExpansion.h"
#include "trust/CryptoProvider.h"
#include "trust/SetupTrustContext.h"
#include "win/unique_any.h"

namespace {

using trusttest::Fixture;

const std::wstring kProductKey = L"SOFTWARE\\Zanthrex\\Zanthrex Bastion";

bool CanOpenForWriting(const std::wstring& path) {
    return static_cast<bool>(win::unique_handle(CreateFileW(path.c_str(), GENERIC_WRITE,
                                                            FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                            nullptr, OPEN_EXISTING, 0, nullptr)));
}

class SetupTrust : public ::testing::Test {
protected:
    SetupTrust() {
        trusttest::UseTestSilo();
        // No "silo" in the product key: the process keeps the test silo's registry root.
        trusttest::DeleteTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY);
    }
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

TEST_F(SetupTrust, AnswersPerFileAndPinsOnlyTrustedFiles) {
    struct Case {
        const wchar_t* file;
        HRESULT result;
        const wchar_t* message;  // after the path; none when null
        bool pinned;
    };
    const Case cases[] = {
        {L"signed-publisher.exe", S_OK, nullptr, true},
        {L"signed-stranger.exe", static_cast<HRESULT>(0x800B0004),
         L" is not trusted. VerifyFile result: 3", false},
        {L"missing.exe", static_cast<HRESULT>(0x80070002), L". Last error: 2", false},
    };
    for (const Case& c : cases) {
        m_messages.clear();
        const std::wstring path = Fixture(c.file);
        SetupTrustContext* context = Create();
        EXPECT_EQ(c.result, VerifySetupFile(context, path.c_str())) << c.file;
        std::vector<std::wstring> expected;
        if (c.message != nullptr) {
            expected.push_back((c.result == static_cast<HRESULT>(0x80070002)
                                    ? L"Could not open file "
                                    : L"File ") +
                               path + c.message);
        }
        EXPECT_EQ(expected, m_messages) << c.file;
        if (c.result != static_cast<HRESULT>(0x80070002)) {
            EXPECT_EQ(!c.pinned, CanOpenForWriting(path)) << c.file << " while the context lives";
        }
        ReleaseSetupTrustContext(context);
        if (c.pinned) {
            EXPECT_TRUE(CanOpenForWriting(path)) << c.file << " after release";
        }
    }
}

// The file-attribute component's stored words count only when the context could create the
// component through the object factory: without it, the verifier's attribute cache is off.
TEST_F(SetupTrust, StoredWordsCountOnlyWhenTheFactoryGivesTheComponent) {
    const std::wstring map = trusttest::kRoot + qrLib::qrPathExpansion::kMapSubkey;
    const std::wstring store = L"Software\\YolTest\\FileAttr64";
    // The component holds "publisher checked" for an unsigned file.
    trusttest::SetDword(HKEY_CURRENT_USER, store, 0, L"unsigned.exe", 0x8);
    trusttest::SetString(HKEY_LOCAL_MACHINE, map, KEY_WOW64_32KEY, L"ZanFileAttr64",
                         trusttest::FileAttrFolder(L"good"));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring settings = std::wstring(temp) + L"yol-settings";
    CreateDirectoryW(settings.c_str(), nullptr);
    trusttest::SetString(HKEY_LOCAL_MACHINE, map, KEY_WOW64_32KEY, L"QRROOTX64", settings);
    const std::wstring unsignedFile = Fixture(L"unsigned.exe");
    auto verify = [&] {
        SetupTrustContext* context = Create();
        const HRESULT result = VerifySetupFile(context, unsignedFile.c_str());
        ReleaseSetupTrustContext(context);
        return result;
    };

    // No settings component: no map, no component.
    EXPECT_EQ(static_cast<HRESULT>(0x800B0004), verify());

    ASSERT_TRUE(CopyFileW((std::wstring(L"Z:") + YOL_OBJECTS_TEST_DIR L"/qrSet.dll").c_str(),
                          (settings + L"\\qrSet.dll").c_str(), FALSE));
    std::ofstream(std::filesystem::path(settings + L"\\qrSet.txt"))
        << "{7D583EDC-2726-42B9-B064-6BBC25E5B79C}=%ZanFileAttr64%\\FileAttr64.dll\n";
    EXPECT_EQ(S_OK, verify());

    trusttest::DeleteTree(HKEY_CURRENT_USER, store, 0);
    trusttest::DeleteTree(HKEY_LOCAL_MACHINE, trusttest::kRoot, KEY_WOW64_32KEY);
}

// Each acquisition attempt: the provider name and flags asked for, and the error to fail with
// (0 succeeds).
struct Attempt {
    std::wstring name;
    DWORD flags;
    DWORD error;
};
std::vector<Attempt>* g_attempts = nullptr;
size_t g_next = 0;

BOOL WINAPI ScriptedAcquire(HCRYPTPROV* provider, LPCWSTR, LPCWSTR name, DWORD type, DWORD flags) {
    EXPECT_EQ(static_cast<DWORD>(PROV_RSA_AES), type);
    if (g_next >= g_attempts->size()) {
        ADD_FAILURE() << "one attempt too many";
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    const Attempt& expected = (*g_attempts)[g_next++];
    EXPECT_EQ(expected.name, name);
    EXPECT_EQ(expected.flags, flags);
    if (expected.error != 0) {
        SetLastError(expected.error);
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
        std::vector<Attempt> attempts;
        const wchar_t* message;
    };
    const Case cases[] = {
        {{{aes, 0xF0000000, 0}}, nullptr},
        {{{aes, 0xF0000000, notDefined}, {prototype, 0xF0000000, 0}}, nullptr},
        {{{aes, 0xF0000000, notDefined},
          {prototype, 0xF0000000, badKeyset},
          {prototype, 0xF0000008, 0}},
         nullptr},
        {{{aes, 0xF0000000, badKeyset}, {aes, 0xF0000008, badKeyset}},
         L"Failed to acquire crypto context. Last error: -2146893802"},
        {{{aes, 0xF0000000, ERROR_ACCESS_DENIED}},
         L"Failed to acquire crypto context. Last error: 5"},
    };
    ProviderCalls().acquireContext = &ScriptedAcquire;
    const std::wstring signedFile = Fixture(L"signed-publisher.exe");
    for (const Case& c : cases) {
        std::vector<Attempt> attempts = c.attempts;
        g_attempts = &attempts;
        g_next = 0;
        m_messages.clear();
        SetupTrustContext* context = Create();
        EXPECT_EQ(attempts.size(), g_next);
        EXPECT_EQ(c.message ? std::vector<std::wstring>{c.message} : std::vector<std::wstring>{},
                  m_messages);
        // Without a provider the context still verifies.
        EXPECT_EQ(S_OK, VerifySetupFile(context, signedFile.c_str()));
        ReleaseSetupTrustContext(context);
    }
}

}  // namespace
