#include "trust/PublisherNames.h"

#include <cstring>

namespace qrLib {

namespace {

constexpr const char* kRoleNames[kPublisherRoleCount] = {
    "subject_marker",       "publisher_name_1",         "publisher_name_2",
    "publisher_name_3",     "publisher_name_4",         "publisher_unit_marker",
    "organization_name",    "organization_unit_marker", "full_subject_name",
    "full_subject_unit_1",  "full_subject_unit_2",      "full_subject_locality",
    "full_subject_state_1", "full_subject_state_2",     "full_subject_country",
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

int FindRole(std::string_view name) {
    for (std::size_t i = 0; i < kPublisherRoleCount; ++i) {
        if (name == kRoleNames[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool IsPrintableAscii(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) {
            return false;
        }
    }
    return true;
}

// A line quoted in a message: non-printable bytes as '?', long lines cut.
std::string Quote(std::string_view line) {
    std::string shown(line.substr(0, 80));
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        c = byte < 0x20 || byte > 0x7E ? '?' : c;
    }
    return shown;
}

}  // namespace

const char* PublisherRoleName(PublisherRole role) {
    const auto index = static_cast<std::size_t>(role);
    return index < kPublisherRoleCount ? kRoleNames[index] : "";
}

PublisherNamesFile ParsePublisherNames(std::string_view text) {
    PublisherNamesFile result;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    bool seen[kPublisherRoleCount] = {};
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fail = [&](const char* what) {
            result.error = "line " + std::to_string(number) + ": " + what + ": " + Quote(line);
            return result;
        };
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            return fail("expected role=value");
        }
        const int role = FindRole(line.substr(0, equals));
        if (role < 0) {
            return fail("unknown role");
        }
        if (seen[role]) {
            return fail("role given twice");
        }
        const std::string_view value = line.substr(equals + 1);
        if (!IsPrintableAscii(value)) {
            return fail("value must be printable ASCII");
        }
        seen[role] = true;
        result.values[static_cast<std::size_t>(role)] = std::string(value);
    }
    result.ok = true;
    return result;
}

void ComplementBytes(std::uint8_t* data, std::size_t size) {
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        std::uint32_t word;
        std::memcpy(&word, data + i, 4);
        word = ~word;
        std::memcpy(data + i, &word, 4);
    }
    for (; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>(~data[i]);
    }
}

}  // namespace qrLib
