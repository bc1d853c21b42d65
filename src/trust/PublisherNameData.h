// The expected-name table as the binary stores it: each entry's complemented bytes and length.
// The source is generated from the deployment's names file at configure time.
#pragma once

#include <cstdint>

#include "trust/PublisherNames.h"

namespace qrLib {

struct StoredName {
    const unsigned char* bytes;
    std::uint32_t size;
};

extern const StoredName kStoredNames[kExpectedNameCount];

}  // namespace qrLib
