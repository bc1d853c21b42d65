// The stored detail word and the status mapping over arbitrary numbers: a word marked unusable
// never stands, the system-component usage never comes with a refusal, driver mode never trusts
// more than plain mode, and every status maps to one of the verifier's answers.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzRequire.h"
#include "trust/TrustDecisions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t numbers[3] = {};
    std::memcpy(numbers, data, size < sizeof numbers ? size : sizeof numbers);
    const std::uint32_t word = numbers[0];
    const std::uint32_t level = numbers[1];
    for (const bool driver : {false, true}) {
        const qrLib::StoredWordDecision d = qrLib::DecodeStoredWord(word, level, driver);
        Require(d.stands == ((word & qrLib::kDetailDoNotUse) == 0));
        Require(!d.systemComponent || d.trusted);
        Require(d.systemComponent == (d.trusted && (word & qrLib::kDetailSystemComponent) != 0));
        if (driver) {
            Require(!d.trusted || qrLib::DecodeStoredWord(word, level, false).trusted);
        }
    }
    const std::uint32_t result =
        qrLib::ResultFromTrustError(numbers[2], [&] { return numbers[1]; });
    Require(result == 1 || result == 3 || result == 4 || result == 15 || result == 20);
    Require((result == 1) == (numbers[2] == 0));
    return 0;
}
