// The registry values the agent shares with the management client and setup, and the view they
// live in.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace product {
// Under HKEY_LOCAL_MACHINE, in the client's registry view.
constexpr char kLinkKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL\\ZxLink\\ZxLink";
constexpr char kLaunchSetup[] = "LaunchSetup";
constexpr char kSetupStatus[] = "YolSetupStatus";
constexpr char kInstallResult[] = "YolInstResult";
// The result marker: setup leaves its result code here; 99 after a successful upgrade.
constexpr char kMarkerKey[] = "RUZIDUZU\\{DCCB9E52-6A84A746}";  // under HKEY_CLASSES_ROOT
constexpr char kMarkerValue[] = "Default";
// The management client's own service; when it is installed its keys are in the 64-bit view.
constexpr char kClientService[] = "yolService";
}  // namespace product

// KEY_WOW64_64KEY when the service "yolService" is installed, else KEY_WOW64_32KEY.
REGSAM ClientRegistryView();

// A REG_DWORD value of exactly four bytes; empty when the key or value is missing, unreadable, or
// of another type or size. Opens the key with KEY_READ plus `extraAccess`.
std::optional<std::uint32_t> ReadRegistryDword(HKEY root, const char* keyPath,
                                               const char* valueName, REGSAM extraAccess);

// Creates or opens `root\keyPath` with KEY_ALL_ACCESS plus `extraAccess` and sets the REG_DWORD.
// Returns 0 on success, 1 on failure.
int SetRegistryDword(HKEY root, const char* keyPath, const char* valueName, std::uint32_t value,
                     REGSAM extraAccess);

// A value of the product link key, in the client's view; failures are ignored.
void SetLinkValue(const char* valueName, std::uint32_t value);
std::optional<std::uint32_t> ReadLinkValue(const char* valueName);

std::optional<std::uint32_t> ReadResultMarker();
void WriteResultMarker(std::uint32_t value);

// Deletes `valueName` from `root\keyPath`, opened with KEY_ALL_ACCESS plus `viewBits`; with a null
// `valueName` deletes the key and its subkeys instead. Returns the Win32 result.
LONG DeleteRegistryEntry(HKEY root, const char* keyPath, const char* valueName, REGSAM viewBits);
