// The signer stage of a full verification over a real certificate: its usages and subject fields
// read through crypt32, judged by the rules in SignerRules.h against the expected-name table.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>

#include "trust/TrustResults.h"

namespace qrLib {

class CSignerChecks {
public:
    // 1: the checks can run.
    std::uint32_t Initialize() { return 1; }

    // The rules for `level` in `mode`; a null certificate, level 0 or mode 0 give
    // kInvalidArgument. Sets the usage outs and the detail bits of what passed.
    VerifyResult Check(PCCERT_CONTEXT certificate, std::uint32_t level, std::uint32_t mode,
                       bool& systemComponent, bool& driverUsage, std::uint32_t& detail) const;
};

}  // namespace qrLib
