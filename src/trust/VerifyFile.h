// The stages of one file verification on Windows: the path normalization and the full
// verification (signature, catalogs, signer).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "trust/CatalogApi.h"
#include "trust/SignerChecks.h"
#include "trust/TrustResults.h"

namespace qrLib {

// Quotes trimmed, a volume device path as a drive path (through QueryDosDeviceW), "\??\" removed.
// With `longForm`, the long form of the result, or the quote-trimmed path when there is none.
std::wstring NormalizeVerifyPath(const std::wstring& path, bool longForm);

struct FullVerification {
    std::wstring path;  // normalized
    std::uint32_t level = 0;
    DWORD mode = 1;              // 2: revocation checks
    bool attributePath = false;  // the file-attribute cache was consulted and did not decide
    bool driverMode = false;
};

// Embedded signature, then (when the level or the attribute path allow) the catalogs, then the
// signer rules. Sets `systemComponent` (cleared unless trusted) and `detail`.
VerifyResult VerifyFullSignature(const FullVerification& input, const CatalogApi& catalogs,
                                 const CSignerChecks& signer, bool& systemComponent,
                                 std::uint32_t& detail);

}  // namespace qrLib
