// Interim trust context: signature verification is not part of the agent yet, so every file
// passes and nothing is held. The real verifier replaces this file.
#include "trust/SetupTrustContext.h"

#include <new>

struct SetupTrustContext {
    TrustMessageSink sink;
};

void CreateSetupTrustContext(SetupTrustContext** context, TrustMessageSink sink) {
    *context = new SetupTrustContext{std::move(sink)};
}

HRESULT VerifySetupFile(SetupTrustContext*, const wchar_t*) {
    return S_OK;
}

void ReleaseSetupTrustContext(SetupTrustContext* context) {
    delete context;
}
