// Creation of the verifier.
#pragma once

#include "trust/qrVerifyTrust.h"

namespace qrLib {

// A new verifier with one reference (switches: enabled, result cache off, attribute cache on,
// revocation off); null, traced, when it cannot be made.
IQrVerifyTrust* CreateVerifyTrust() noexcept;

}  // namespace qrLib
