// The check that the staged setup.exe is trusted, and the pinning of every file found trusted
// until the context is released.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct SetupTrustContext;
using TrustMessageSink = std::function<void(const std::wstring&)>;

// Always produces a context (allocation failure throws std::bad_alloc): a provider context, and
// the file-attribute component when the product key's silo and the object map allow it. Messages
// go to the trace and, when `sink` is not empty, to the sink.
void CreateSetupTrustContext(SetupTrustContext** context, TrustMessageSink sink);
// Installs the embedded certificates (first call only), then verifies `path` at trust level 3.
// 0 when trusted, and the file stays open read-shared until the context is released; otherwise
// TRUST_E_SUBJECT_NOT_TRUSTED, E_FAIL (no usable verifier) or the HRESULT of the open's error.
HRESULT VerifySetupFile(SetupTrustContext* context, const wchar_t* path);
// Releases the context and the files it holds open; null is allowed.
void ReleaseSetupTrustContext(SetupTrustContext* context);
