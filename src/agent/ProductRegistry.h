// The registry keys the agent shares with the management client, and the view they live in.
#pragma once

#include <windows.h>

namespace product {
constexpr char kLinkKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL\\ZxLink\\ZxLink";
constexpr char kLaunchSetup[] = "LaunchSetup";
// The management client's own service; when it is installed its keys are in the 64-bit view.
constexpr char kClientService[] = "yolService";
}  // namespace product

// KEY_WOW64_64KEY when the service "yolService" is installed, else KEY_WOW64_32KEY.
REGSAM ClientRegistryView();

// Deletes `valueName` from `root\keyPath`, opened with KEY_ALL_ACCESS plus `viewBits`; with a null
// `valueName` deletes the key and its subkeys instead. Returns the Win32 result.
LONG DeleteRegistryEntry(HKEY root, const char* keyPath, const char* valueName, REGSAM viewBits);
