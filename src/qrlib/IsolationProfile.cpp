#include "qrlib/IsolationProfile.h"

#include <shlwapi.h>

#include "qrlib/IniFile.h"
#include "qrlib/IniReader.h"
#include "qrlib/IsolateIniSearch.h"
#include "qrlib/SiloName.h"
#include "qrlib/WideText.h"
#include "win/unique_any.h"

namespace qrLib {

namespace {

constexpr wchar_t kSection[] = L"isolation";

bool FileExists(const std::u16string& path) {
    return PathFileExistsW(ToWide(path).c_str()) != FALSE;
}

LONG OpenHiveKey(const wchar_t* hive) {
    win::unique_hkey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, hive, 0, KEY_READ | KEY_WOW64_32KEY, key.put());
}

HiveKeyOpener g_openHiveKey = &OpenHiveKey;

}  // namespace

void SetHiveKeyOpenerForTest(HiveKeyOpener opener) {
    g_openHiveKey = opener != nullptr ? opener : &OpenHiveKey;
}

DWORD GetModulePath(HMODULE module, std::wstring& path) {
    wchar_t buffer[kMaxPath] = {};
    const DWORD length = GetModuleFileNameW(module, buffer, kMaxPath);
    if (length == 0 || length >= kMaxPath) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : ERROR_INSUFFICIENT_BUFFER;
    }
    path.assign(buffer, length);
    return ERROR_SUCCESS;
}

DWORD FindIsolateIni(const wchar_t* modulePath, std::wstring& iniPath) {
    std::u16string found;
    const DWORD result = qrLib::FindIsolateIni(ToU16(modulePath), FileExists, found);
    if (result == ERROR_SUCCESS) {
        iniPath = ToWide(found);
    }
    return result;
}

DWORD GetRegistryHiveAt(const wchar_t* modulePath, wchar_t* buffer, DWORD size) {
    if (buffer == nullptr || size < kMinHiveBuffer) {
        return ERROR_INVALID_PARAMETER;
    }
    std::wstring iniPath;
    const DWORD found = FindIsolateIni(modulePath, iniPath);
    if (found == ERROR_FILE_NOT_FOUND) {
        CopyTruncated(kDefaultRegistryHive, buffer, size);
        return ERROR_SUCCESS;
    }
    if (found != ERROR_SUCCESS) {
        return found;
    }
    const std::wstring fallback = ToWide(kDefaultRegistryHive);
    const DWORD length =
        ReadIniValue(kSection, L"reghive", fallback.c_str(), buffer, size, iniPath.c_str());
    if (length == size - 1) {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    const LONG opened = g_openHiveKey(buffer);
    if (opened == ERROR_ACCESS_DENIED) {
        OutputDebugStringW(kHiveAccessDeniedText);
    } else if (opened == ERROR_FILE_NOT_FOUND) {
        OutputDebugStringW(kHiveNotFoundText);
    } else if (opened != ERROR_SUCCESS) {
        buffer[0] = L'\0';
    }
    return buffer[0] != L'\0' ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

DWORD GetRegistryHive(HMODULE module, wchar_t* buffer, DWORD size) {
    if (buffer == nullptr || size < kMinHiveBuffer) {
        return ERROR_INVALID_PARAMETER;
    }
    std::wstring modulePath;
    const DWORD result = GetModulePath(module, modulePath);
    return result != ERROR_SUCCESS ? result : GetRegistryHiveAt(modulePath.c_str(), buffer, size);
}

DWORD ReadSiloFromIniAt(const wchar_t* modulePath, wchar_t* buffer, DWORD size) {
    if (buffer == nullptr || size < kMinSiloBuffer) {
        return ERROR_INVALID_PARAMETER;
    }
    std::wstring iniPath;
    const DWORD found = FindIsolateIni(modulePath, iniPath);
    if (found != ERROR_SUCCESS) {
        return found;
    }
    const DWORD length = ReadIniValue(kSection, L"silo", L"", buffer, size, iniPath.c_str());
    if (length == size - 1) {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    if (!IsValidSiloName(ToU16(buffer))) {
        buffer[0] = L'\0';
        return ERROR_INVALID_DATA;
    }
    return ERROR_SUCCESS;
}

DWORD ReadSiloFromIni(HMODULE module, wchar_t* buffer, DWORD size) {
    if (buffer == nullptr || size < kMinSiloBuffer) {
        return ERROR_INVALID_PARAMETER;
    }
    std::wstring modulePath;
    const DWORD result = GetModulePath(module, modulePath);
    return result != ERROR_SUCCESS ? result : ReadSiloFromIniAt(modulePath.c_str(), buffer, size);
}

DWORD CIniIsolationSource::ModulePath(std::wstring& path) const {
    if (!m_modulePath.empty()) {
        path = m_modulePath;
        return ERROR_SUCCESS;
    }
    return GetModulePath(nullptr, path);
}

std::uint32_t CIniIsolationSource::ReadSilo(std::u16string& silo) {
    std::wstring modulePath;
    DWORD result = ModulePath(modulePath);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    wchar_t buffer[40] = {};
    result = ReadSiloFromIniAt(modulePath.c_str(), buffer, 40);
    if (result == ERROR_SUCCESS) {
        silo = ToU16(buffer);
    }
    return result;
}

std::uint32_t CIniIsolationSource::ReadHive(std::u16string& hive) {
    std::wstring modulePath;
    DWORD result = ModulePath(modulePath);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    wchar_t buffer[kMinHiveBuffer] = {};
    result = GetRegistryHiveAt(modulePath.c_str(), buffer, kMinHiveBuffer);
    if (result == ERROR_SUCCESS) {
        hive = ToU16(buffer);
    }
    return result;
}

CIsolation& ProcessIsolation() {
    static CIniIsolationSource source;
    static CIsolation isolation(source);
    return isolation;
}

}  // namespace qrLib
