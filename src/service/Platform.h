// Which platform family the process runs on; commands act only on the NT family (result 0).
#pragma once

#include <cstdint>

// 0 for platform id 2 (NT), 1 for 1 (Windows), 2 for 0 (Win32s), 3 for anything else.
int PlatformKindFromId(std::uint32_t platformId);

// PlatformKindFromId of the running system (GetVersionExA).
int CheckWindowsPlatform();

// The running system's platform id and major version (GetVersionExA with the 148-byte record).
std::uint32_t CurrentPlatformId();
std::uint32_t CurrentMajorVersion();
