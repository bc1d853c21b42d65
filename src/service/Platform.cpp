#include "service/Platform.h"

#include <windows.h>

namespace {

// The running system's version record (the 148-byte form); platform id 0xFFFFFFFF when unread.
OSVERSIONINFOA CurrentVersion() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    static_assert(sizeof(OSVERSIONINFOA) == 148, "the record GetVersionExA expects");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&version)) {
        version.dwPlatformId = 0xFFFFFFFF;
    }
#pragma GCC diagnostic pop
    return version;
}

}  // namespace

std::uint32_t CurrentPlatformId() {
    return CurrentVersion().dwPlatformId;
}

std::uint32_t CurrentMajorVersion() {
    return CurrentVersion().dwMajorVersion;
}

int CheckWindowsPlatform() {
    return PlatformKindFromId(CurrentPlatformId());
}
