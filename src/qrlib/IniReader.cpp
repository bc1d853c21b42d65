#include "qrlib/IniReader.h"

#include "qrlib/CaseFold.h"

namespace qrLib {

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::u16string_view WantedSection(std::u16string_view section) {
    section = Trim(section);
    if (!section.empty() && section.front() == u'[') {
        section.remove_prefix(1);
    }
    if (!section.empty() && section.back() == u']') {
        section.remove_suffix(1);
    }
    return section;
}

bool IsSectionHeader(std::u16string_view line, std::u16string_view wanted) {
    std::u16string_view name = line.substr(1);
    if (!name.empty() && name.back() == u']') {
        name.remove_suffix(1);
    }
    return StartsWithNoCase(name, wanted);
}

// Splits text into lines at CR LF pairs only; a lone CR or LF stays inside its line.
class CLineCursor {
public:
    explicit CLineCursor(std::u16string_view text) : m_text(text) {}

    bool Next(std::u16string_view& line) {
        if (m_done) {
            return false;
        }
        const std::size_t end = m_text.find(u"\r\n", m_position);
        if (end == std::u16string_view::npos) {
            line = m_text.substr(m_position);
            m_done = true;
            return true;
        }
        line = m_text.substr(m_position, end - m_position);
        m_position = end + 2;
        return true;
    }

private:
    std::u16string_view m_text;
    std::size_t m_position = 0;
    bool m_done = false;
};

}  // namespace

std::u16string WidenBytes(const std::uint8_t* data, std::size_t size) {
    return std::u16string(data, data + size);
}

std::u16string DecodeIniText(const std::uint8_t* data, std::size_t size, NarrowDecoder decode) {
    if (data == nullptr || size == 0) {
        return {};
    }
    std::u16string text;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xFE) {
        const std::size_t units = (size - 2) / 2;
        text.resize(units);
        for (std::size_t i = 0; i < units; ++i) {
            const std::uint8_t* unit = data + 2 + 2 * i;
            text[i] = static_cast<char16_t>(unit[0] | (unit[1] << 8));
        }
    } else {
        std::size_t length = 0;
        while (length < size && data[length] != 0) {
            ++length;
        }
        text = decode(data, length);
    }
    const std::size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) {
        text.resize(nul);
    }
    return text;
}

std::u16string FindIniValue(std::u16string_view text, std::u16string_view section,
                            std::u16string_view key, std::u16string_view defaultValue) {
    const std::u16string_view wantedSection = WantedSection(section);
    const std::u16string_view wantedKey = Trim(key);
    bool inSection = false;
    CLineCursor lines(text);
    std::u16string_view line;
    while (lines.Next(line)) {
        line = Trim(line);
        if (line.empty() || line.front() == u';' || line.front() == u'#') {
            continue;
        }
        if (!inSection) {
            inSection = line.front() == u'[' && IsSectionHeader(line, wantedSection);
            continue;
        }
        if (!StartsWithNoCase(line, wantedKey)) {
            continue;
        }
        const std::size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos) {
            break;
        }
        std::u16string_view value = line.substr(equals + 1);
        value = value.substr(0, value.find(u'\r'));
        return std::u16string(Trim(value));
    }
    return std::u16string(defaultValue);
}

std::uint32_t ReadIniValue(std::u16string_view section, std::u16string_view key,
                           std::u16string_view defaultValue, char16_t* output, std::uint32_t size,
                           const std::uint8_t* data, std::size_t dataSize, NarrowDecoder decode) {
    if (data == nullptr || dataSize == 0) {
        return CopyTruncated(defaultValue, output, size);
    }
    const std::u16string text = DecodeIniText(data, dataSize, decode);
    return CopyTruncated(FindIniValue(text, section, key, defaultValue), output, size);
}

}  // namespace qrLib
