#include "service/ErrorText.h"

#include <cstdio>
#include <cstring>

std::string ComposeErrorText(const char* systemText, std::uint32_t code) {
    if (systemText == nullptr) {
        return {};
    }
    const std::size_t length = std::strlen(systemText);
    if (length == 0 || length + 14 > kErrorTextBuffer) {
        return {};
    }
    // Drop the line break the system appends; a shorter text has nothing to drop.
    const std::string text(systemText, length >= 2 ? length - 2 : 0);
    char buffer[kErrorTextBuffer];
    std::snprintf(buffer, sizeof buffer, "%s (0x%lx)", text.c_str(),
                  static_cast<unsigned long>(code));
    return buffer;
}
