#include "config/ProductKey.h"

#include "agent/ProductRegistry.h"
#include "agent/ServiceProbe.h"

namespace config {

bool IsX64OrItaniumProcessor() {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

REGSAM ProductKeyAccess() {
    if (!IsServiceInstalled(product::kClientService) && IsX64OrItaniumProcessor()) {
        return KEY_READ | KEY_WOW64_32KEY;
    }
    return KEY_READ;
}

std::optional<std::string> ReadProductString(HKEY key, const char* name) {
    constexpr DWORD kBufferSize = 261;
    char buffer[kBufferSize + 1] = {};  // one more, so data without its NUL still ends
    DWORD type = REG_NONE;
    DWORD size = kBufferSize;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    return std::string(buffer);
}

}  // namespace config
