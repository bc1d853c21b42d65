// The expansion loop over an in-memory map. Input: the text to expand on the first line, then
// "NAME=VALUE" lines for the map (bytes widened to characters). Whatever the map holds (cycles,
// lone "%", values that double at every level), an expansion ends with a result of 0 or 1 and the
// output the rules give.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FakeExpansionSource.h"
#include "FuzzRequire.h"
#include "qrlib/CaseFold.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text(data, data + size);
    std::size_t lineEnd = text.find(u'\n');
    const std::u16string input = text.substr(0, lineEnd);
    if (input.find(u'\0') != std::u16string::npos) {
        return 0;  // the input is a terminated string
    }
    CFakeExpansionSource source;
    while (lineEnd != std::u16string::npos) {
        const std::size_t start = lineEnd + 1;
        lineEnd = text.find(u'\n', start);
        const std::u16string line = text.substr(start, lineEnd - start);
        const std::size_t equals = line.find(u'=');
        if (equals != std::u16string::npos) {
            source.m_map[qrLib::FoldCase(line.substr(0, equals))] = line.substr(equals + 1);
        }
    }

    std::u16string output = u"untouched";
    const std::int32_t result = qrLib::ExpandVariables(input.c_str(), output, source);
    Require(result == 0 || result == 1);
    if (result == 1) {
        Require(output.find(u'%') == std::u16string::npos);
        Require(output.find(u"\\\\", 1) == std::u16string::npos);
        Require(output.size() <= qrLib::kMaxExpandedLength || output.size() <= input.size());
        return 0;
    }
    std::u16string expected = input;
    if (input.size() >= 3) {
        qrLib::CollapseBackslashes(expected);
    }
    Require(output == expected);
    return 0;
}
