#include "trust/qrVerifyTrustStatic.h"

#include <exception>

#include "diagnostics/Trace.h"
#include "trust/qrVerifyTrustImpl.h"

namespace qrLib {

IQrVerifyTrust* CreateVerifyTrust() noexcept {
    try {
        return new CVerifyTrust();
    } catch (const std::exception&) {
        trace::Text(trace::kFlagError, trace::kLevelError, 810,
                    L"qrVerifyTrust: the verifier cannot be created", 0);
        return nullptr;
    }
}

}  // namespace qrLib
