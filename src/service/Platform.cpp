#include "service/Platform.h"

#include <windows.h>

std::uint32_t CurrentPlatformId() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;  // 148 bytes
    static_assert(sizeof(OSVERSIONINFOA) == 148, "the record GetVersionExA expects");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&version)) {
        return 0xFFFFFFFF;
    }
#pragma GCC diagnostic pop
    return version.dwPlatformId;
}

int CheckWindowsPlatform() {
    return PlatformKindFromId(CurrentPlatformId());
}
