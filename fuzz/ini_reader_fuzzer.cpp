// The INI reader over arbitrary file bytes: every lookup the isolation profile makes, at the
// buffer sizes it uses, must give a terminated value no longer than the buffer that agrees with
// the unbounded lookup.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzRequire.h"
#include "qrlib/IniReader.h"

// Section, key and default value.
constexpr const char16_t* kQueries[][3] = {
    {u"isolation", u"silo", u""},
    {u" [Isolation] ", u"\tSILO ", u"d"},
    {u"", u"", u"d"},
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = qrLib::DecodeIniText(data, size);
    Require(text.find(u'\0') == std::u16string::npos);
    for (const auto& [section, key, defaultValue] : kQueries) {
        const std::u16string full = qrLib::FindIniValue(text, section, key, defaultValue);
        for (const std::uint32_t bufferSize : {0u, 1u, 40u, 100u, 300u}) {
            std::vector<char16_t> output(bufferSize + 1, u'#');
            const std::uint32_t length = qrLib::ReadIniValue(section, key, defaultValue,
                                                             output.data(), bufferSize, data, size);
            if (bufferSize == 0) {
                Require(length == 0 && output[0] == u'#');
                continue;
            }
            Require(length < bufferSize && output[length] == u'\0');
            const std::u16string expected = size == 0 ? std::u16string(defaultValue) : full;
            Require(std::u16string(output.data(), length) == expected.substr(0, length));
            Require(length == expected.size() || length == bufferSize - 1);
        }
    }
    return 0;
}
