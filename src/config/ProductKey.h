// The installed client's product key, read in the management client's registry view.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace config {

constexpr char kProductKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL";

// True when GetSystemInfo reports an x64 or Itanium processor.
bool IsX64OrItaniumProcessor();

// KEY_READ | KEY_WOW64_32KEY when the service "yolService" is not installed on an x64 or Itanium
// processor (the client's keys are then in the 32-bit view); KEY_READ otherwise.
REGSAM ProductKeyAccess();

// A string value read into a 261-byte buffer, up to its first NUL; none when the value is missing,
// not a string, or longer than the buffer.
std::optional<std::string> ReadProductString(HKEY key, const char* name);

}  // namespace config
