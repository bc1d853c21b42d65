// The check that the staged setup.exe is trusted, and the pinning of every file found trusted
// until the context is released.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct SetupTrustContext;
using TrustMessageSink = std::function<void(const std::wstring&)>;

// Always produces a context (allocation failure throws std::bad_alloc).
void CreateSetupTrustContext(SetupTrustContext** context, TrustMessageSink sink);
// 0 when the file is trusted; a negative HRESULT when it is not or cannot be checked.
HRESULT VerifySetupFile(SetupTrustContext* context, const wchar_t* path);
// Releases the context and the files it holds open; null is allowed.
void ReleaseSetupTrustContext(SetupTrustContext* context);
