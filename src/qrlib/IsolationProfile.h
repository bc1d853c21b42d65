// The isolation profile on Windows: "isolate.ini" found above the program's file, its silo name
// and registry hive, and the process-wide CIsolation wired to them.
#pragma once

#include <windows.h>

#include <string>

#include "qrlib/Isolation.h"

namespace qrLib {

// The only text this module produces, sent to the debugger when the hive key cannot be opened.
constexpr wchar_t kHiveAccessDeniedText[] =
    L"CIsolation::GetRegistryHive(): RegOpenKeyEx() returned ERROR_ACCESS_DENIED";
constexpr wchar_t kHiveNotFoundText[] =
    L"CIsolation::GetRegistryHive(): RegOpenKeyEx() returned ERROR_FILE_NOT_FOUND";

constexpr DWORD kMinHiveBuffer = 100;
constexpr DWORD kMinSiloBuffer = 38;

// The full file name of `module` (null: the running executable), at most 260 characters. 0, or
// the system's error when the name cannot be had whole.
DWORD GetModulePath(HMODULE module, std::wstring& path);

// 0 and the path of the nearest "isolate.ini" above the file `modulePath`; 2 when there is none
// up to the root or a UNC server; 1359 when a candidate path does not fit 260 characters.
DWORD FindIsolateIni(const wchar_t* modulePath, std::wstring& iniPath);

// The registry hive of the silos, for the program at `modulePath`: "Software\Zanthrex\Isolation"
// without isolate.ini, else its "reghive" of section "isolation" with that default. 87 when
// `size` < 100, 122 when the value fills the buffer. The key is tried under HKLM in the 32-bit
// view: denial or absence is sent to the debugger and the value kept; any other failure empties
// the buffer, and an empty buffer gives 13. Otherwise 0.
DWORD GetRegistryHiveAt(const wchar_t* modulePath, wchar_t* buffer, DWORD size);
// The same for `module` (null: the running executable).
DWORD GetRegistryHive(HMODULE module, wchar_t* buffer, DWORD size);

// Test seam: how the hive key is tried, as the Win32 result of opening it (null restores the real
// open). Wine does not enforce registry key security, so a denial can only be shown through this.
using HiveKeyOpener = LONG (*)(const wchar_t* hive);
void SetHiveKeyOpenerForTest(HiveKeyOpener opener);

// The silo name from "silo" of section "isolation", for the program at `modulePath`: 87 when
// `size` < 38, 2 without isolate.ini, 122 when the value fills the buffer, 13 with an emptied
// buffer when the name is not valid, else 0.
DWORD ReadSiloFromIniAt(const wchar_t* modulePath, wchar_t* buffer, DWORD size);
// The same for `module` (null: the running executable).
DWORD ReadSiloFromIni(HMODULE module, wchar_t* buffer, DWORD size);

// The profile's source for the program at a given path, or (empty path) the running executable.
class CIniIsolationSource : public IIsolationSource {
public:
    explicit CIniIsolationSource(std::wstring modulePath = {}) : m_modulePath(modulePath) {}
    std::uint32_t ReadSilo(std::u16string& silo) override;
    std::uint32_t ReadHive(std::u16string& hive) override;

private:
    DWORD ModulePath(std::wstring& path) const;
    std::wstring m_modulePath;
};

// The process's one profile, for the running executable.
CIsolation& ProcessIsolation();

}  // namespace qrLib
