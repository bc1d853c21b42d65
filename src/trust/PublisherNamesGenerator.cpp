// Build step: reads the deployment's names file and writes the C++ source of the stored table,
// every value complemented. Run at configure time; a bad file stops the configure step with the
// parser's message, which names the line.
//   publisher-names-gen NAMES_FILE OUTPUT_CPP
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "trust/PublisherNames.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: publisher-names-gen NAMES_FILE OUTPUT_CPP\n";
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    if (!input) {
        std::cerr << argv[1] << ": cannot be read\n";
        return 1;
    }
    std::ostringstream content;
    content << input.rdbuf();
    const qrLib::PublisherNamesFile names = qrLib::ParsePublisherNames(content.str());
    if (!names.ok) {
        std::cerr << argv[1] << ": " << names.error << "\n";
        return 1;
    }
    std::ostringstream out;
    out << "// Generated from the publisher's names file at configure time; do not edit.\n"
        << "#include \"trust/PublisherNameData.h\"\n\nnamespace qrLib {\nnamespace {\n";
    for (std::size_t i = 0; i < names.values.size(); ++i) {
        std::string bytes = names.values[i];
        qrLib::ComplementBytes(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
        out << "const unsigned char kEntry" << i << "[] = {";
        for (const char c : bytes) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x,", static_cast<unsigned char>(c));
            out << hex;
        }
        out << "0};\n";
    }
    out << "}  // namespace\n\nconst StoredName kStoredNames[kExpectedNameCount] = {\n";
    for (std::size_t i = 0; i < names.values.size(); ++i) {
        out << "    {kEntry" << i << ", " << names.values[i].size() << "},\n";
    }
    out << "};\n\n}  // namespace qrLib\n";
    std::ofstream output(argv[2], std::ios::binary);
    output << out.str();
    return output ? 0 : 1;
}
