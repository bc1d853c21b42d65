// The expansion loop over an in-memory map. Input: the text to expand on the first line, then
// "NAME=VALUE" lines for the map (bytes widened to characters). Whatever the map holds (cycles,
// lone "%", values that double at every level), an expansion ends with a result of 0 or 1 and the
// output the rules give.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "qrlib/CaseFold.h"
#include "qrlib/ExpansionRules.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

class CMapSource : public qrLib::IExpansionSource {
public:
    bool OpenMap() override { return true; }
    bool ReadMapValue(const std::u16string& name, std::u16string& value) override {
        const auto found = m_map.find(name);
        if (found == m_map.end()) {
            return false;
        }
        value = found->second;
        return true;
    }
    bool ShellFolder(std::uint32_t csidl, std::u16string& path) override {
        path = u"C:\\Folder" + std::u16string(1, static_cast<char16_t>(u'A' + csidl % 26));
        return csidl != 0x0A;
    }
    bool CurrentVersionDir(const char16_t* valueName, std::u16string& path) override {
        path = std::u16string(u"C:\\") + valueName;
        return true;
    }
    bool SiloDataPath(std::uint32_t csidl, const std::u16string& extension,
                      std::u16string& path) override {
        Require(extension.size() <= qrLib::kMaxExtensionLength);
        path = u"C:\\Data" + std::u16string(1, static_cast<char16_t>(u'0' + csidl % 10)) + u"\\" +
               extension + u"\\{silo}";
        return true;
    }

    std::map<std::u16string, std::u16string> m_map;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text(data, data + size);
    std::size_t lineEnd = text.find(u'\n');
    const std::u16string input = text.substr(0, lineEnd);
    if (input.find(u'\0') != std::u16string::npos) {
        return 0;  // the input is a terminated string
    }
    CMapSource source;
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
