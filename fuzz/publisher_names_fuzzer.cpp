// The names-file parser over arbitrary bytes: it either refuses with a message naming a line, or
// accepts with every value printable ASCII and every entry past the roles empty; and a file made
// back from the accepted values parses to the same values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzRequire.h"
#include "trust/PublisherNames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const qrLib::PublisherNamesFile parsed = qrLib::ParsePublisherNames(text);
    if (!parsed.ok) {
        Require(parsed.error.rfind("line ", 0) == 0);
        return 0;
    }
    std::string rebuilt;
    for (std::size_t i = 0; i < parsed.values.size(); ++i) {
        for (const char c : parsed.values[i]) {
            Require(c >= 0x20 && c <= 0x7E);
        }
        if (i >= qrLib::kPublisherRoleCount) {
            Require(parsed.values[i].empty());
        } else {
            rebuilt += qrLib::PublisherRoleName(static_cast<qrLib::PublisherRole>(i));
            rebuilt += "=" + parsed.values[i] + "\n";
        }
    }
    const qrLib::PublisherNamesFile again = qrLib::ParsePublisherNames(rebuilt);
    Require(again.ok && again.values == parsed.values);
    return 0;
}
