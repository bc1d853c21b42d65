// The cryptographic provider context that a setup trust context holds for its lifetime.
#pragma once

#include <windows.h>

#include "win/unique_any.h"

// The one call the acquisition makes, through a table that tests can replace: no prefix lacks the
// primary AES provider name, so the fallback to the prototype name cannot be shown otherwise.
// Production code never changes the table.
struct CryptoProviderCalls {
    decltype(&::CryptAcquireContextW) acquireContext;
};
CryptoProviderCalls& ProviderCalls();
const CryptoProviderCalls& RealProviderCalls();

constexpr wchar_t kAesProviderName[] = L"Microsoft Enhanced RSA and AES Cryptographic Provider";
constexpr wchar_t kAesPrototypeProviderName[] =
    L"Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)";

// A verify-only context of the AES provider: by its name, then (keyset not defined) by its
// prototype name, then (bad keyset) asking for a new keyset. Empty when every attempt failed;
// `lastError` then holds the last attempt's error.
win::unique_cryptprov AcquireTrustProvider(DWORD& lastError);
