#include "qrlib/qrPathExpansion.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "diagnostics/Trace.h"
#include "qrlib/ExpansionRules.h"
#include "qrlib/IsolationProfile.h"
#include "qrlib/RegistryString.h"
#include "qrlib/WideText.h"
#include "win/unique_any.h"

namespace qrLib {
namespace qrPathExpansion {

namespace {

constexpr std::uint16_t kTraceExpandFailed = 20;
constexpr wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// The map key of one expansion, opened on first use and closed with the expansion.
class CRegistryExpansionSource : public IExpansionSource {
public:
    explicit CRegistryExpansionSource(CIsolation& isolation) : m_isolation(isolation) {}

    bool OpenMap() override {
        if (m_map) {
            return true;
        }
        const std::optional<std::u16string> root = m_isolation.GetRegistryRoot();
        if (!root || root->empty()) {
            return false;
        }
        const std::wstring path = ToWide(*root) + kMapSubkey;
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY,
                             m_map.put()) == ERROR_SUCCESS;
    }

    bool ReadMapValue(const std::u16string& name, std::u16string& value) override {
        return ReadRegistryString(m_map.get(), ToWide(name).c_str(), value);
    }

    // The default location, not a location the user has redirected the folder to.
    bool ShellFolder(std::uint32_t csidl, std::u16string& path) override {
        wchar_t buffer[MAX_PATH] = {};
        const HRESULT hr =
            SHGetFolderPathW(nullptr, static_cast<int>(csidl), nullptr, SHGFP_TYPE_DEFAULT, buffer);
        if (FAILED(hr)) {
            return false;
        }
        path = ToU16(buffer);
        return true;
    }

    // The 64-bit view: a 32-bit reader would be told the 32-bit program files directories.
    bool CurrentVersionDir(const char16_t* valueName, std::u16string& path) override {
        win::unique_hkey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_READ | KEY_WOW64_64KEY,
                          key.put()) != ERROR_SUCCESS) {
            return false;
        }
        return ReadRegistryString(key.get(), ToWide(valueName).c_str(), path);
    }

    bool SiloDataPath(std::uint32_t csidl, const std::u16string& extension,
                      std::u16string& path) override {
        const std::optional<std::u16string> silo = m_isolation.GetSiloName();
        if (!silo) {
            return false;
        }
        wchar_t buffer[MAX_PATH + 1] = {};
        if (!SHGetSpecialFolderPathW(nullptr, buffer, static_cast<int>(csidl), FALSE) ||
            !PathAppendW(buffer, ToWide(extension).c_str()) ||
            !PathAppendW(buffer, ToWide(*silo).c_str())) {
            return false;
        }
        path = ToU16(buffer);
        return true;
    }

private:
    CIsolation& m_isolation;
    win::unique_hkey m_map;
};

}  // namespace

std::int32_t Expand(const wchar_t* input, std::wstring& output, CIsolation& isolation) {
    CRegistryExpansionSource source(isolation);
    const std::u16string text = ToU16(input);
    std::u16string expanded = ToU16(output);
    const std::int32_t result =
        ExpandVariables(input != nullptr ? text.c_str() : nullptr, expanded, source);
    output = ToWide(expanded);
    if (result == 0) {
        // Callers report a failure in their own words; the trace keeps which text did not expand.
        trace::Text(trace::kFlagError, trace::kLevelError, kTraceExpandFailed,
                    input != nullptr ? input : L"(null)", 0);
    }
    return result;
}

std::int32_t Expand(const wchar_t* input, std::wstring& output) {
    return Expand(input, output, ProcessIsolation());
}

}  // namespace qrPathExpansion
}  // namespace qrLib
