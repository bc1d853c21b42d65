#include "trust/CryptoProvider.h"

#include "diagnostics/Trace.h"

namespace {
const CryptoProviderCalls kReal = {&::CryptAcquireContextW};
CryptoProviderCalls g_calls = kReal;

bool Acquire(HCRYPTPROV& provider, const wchar_t* name, DWORD flags) {
    return g_calls.acquireContext(&provider, nullptr, name, PROV_RSA_AES, flags) != FALSE;
}
}  // namespace

CryptoProviderCalls& ProviderCalls() {
    return g_calls;
}
const CryptoProviderCalls& RealProviderCalls() {
    return kReal;
}

win::unique_cryptprov AcquireTrustProvider(DWORD& lastError) {
    HCRYPTPROV provider = 0;
    const wchar_t* name = kAesProviderName;
    if (Acquire(provider, name, CRYPT_VERIFYCONTEXT)) {
        return win::unique_cryptprov(provider);
    }
    lastError = GetLastError();
    if (lastError == static_cast<DWORD>(NTE_KEYSET_NOT_DEF)) {
        // Older systems know the AES provider only by its prototype name.
        name = kAesPrototypeProviderName;
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 40, name, 0);
        if (Acquire(provider, name, CRYPT_VERIFYCONTEXT)) {
            return win::unique_cryptprov(provider);
        }
        lastError = GetLastError();
    }
    if (lastError == static_cast<DWORD>(NTE_BAD_KEYSET)) {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 41, name, lastError);
        if (Acquire(provider, name, CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET)) {
            return win::unique_cryptprov(provider);
        }
        lastError = GetLastError();
    }
    return {};
}
