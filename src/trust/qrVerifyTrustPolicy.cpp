#include "trust/qrVerifyTrustPolicy.h"

#include <atomic>
#include <optional>
#include <string>

#include "diagnostics/Trace.h"
#include "qrlib/IsolationProfile.h"
#include "qrlib/WideText.h"
#include "win/unique_any.h"

namespace qrLib {

namespace {

// Turned false by the first switch read as 0; never back.
std::atomic<bool> g_alternatePolicyAllowed{true};

void TraceError(const wchar_t* text, DWORD error) {
    trace::Text(trace::kFlagError, trace::kLevelError, 720, text, error);
}

// The key's path; empty when the isolation profile yields no registry root.
std::wstring PolicyKeyPath() {
    try {
        const std::optional<std::u16string> root = ProcessIsolation().GetRegistryRoot();
        if (!root || root->empty()) {
            return std::wstring();
        }
        return ToWide(*root) + kTrustPolicySubkey;
    } catch (const std::exception&) {
        TraceError(L"qrVerifyTrustPolicy: the key path cannot be built", 0);
        return std::wstring();
    }
}

LSTATUS OpenPolicyKey(const std::wstring& path, REGSAM access, win::unique_hkey& key) {
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access | KEY_WOW64_32KEY, key.put());
}

}  // namespace

Status CVerifyTrustPolicy::QueryInterface(const GUID& iid, void** out) {
    if (out == nullptr) {
        return kStatusInvalidArgument;
    }
    *out = nullptr;
    if (!IsEqualGUID(iid, kIidQrUnknown) && !IsEqualGUID(iid, kIidVerifyTrustPolicy)) {
        return kStatusNoInterface;
    }
    AddRef();
    *out = static_cast<IQrVerifyTrustPolicy*>(this);
    return kStatusOk;
}

std::uint64_t CVerifyTrustPolicy::Release() {
    const std::uint64_t count = m_refs.Drop();
    if (count == 0) {
        delete this;
    }
    return count;
}

bool CVerifyTrustPolicy::IsTrustPolicyEnabled() {
    const std::wstring path = PolicyKeyPath();
    if (m_alternate) {
        if (!g_alternatePolicyAllowed.load()) {
            return false;
        }
        win::unique_hkey key;
        LSTATUS status = ERROR_SUCCESS;
        if (path.empty()) {
            TraceError(L"qrVerifyTrustPolicy: no registry root", 0);
        } else if ((status = OpenPolicyKey(path, KEY_READ, key)) != ERROR_SUCCESS) {
            TraceError(L"qrVerifyTrustPolicy: the key cannot be opened", status);
        } else {
            DWORD value = 1;
            DWORD size = sizeof value;
            DWORD type = 0;
            status = RegQueryValueExW(key.get(), kAlternateTrustPolicyValue, nullptr, &type,
                                      reinterpret_cast<BYTE*>(&value), &size);
            if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) {
                TraceError(L"qrVerifyTrustPolicy: AlternateTrustPolicy cannot be read", status);
            } else {
                // Only ever cleared: a reader of 1 racing one of 0 must not turn it back on.
                if (value == 0) {
                    g_alternatePolicyAllowed.store(false);
                    return false;
                }
            }
        }
    }
    if (path.empty()) {
        TraceError(L"qrVerifyTrustPolicy: no registry root", 0);
        return true;
    }
    win::unique_hkey key;
    const LSTATUS status = OpenPolicyKey(path, KEY_READ, key);
    if (status != ERROR_SUCCESS) {
        TraceError(L"qrVerifyTrustPolicy: the key cannot be opened", status);
    }
    return true;
}

bool CVerifyTrustPolicy::SetTrustPolicy(bool value) {
    const std::wstring path = PolicyKeyPath();
    if (path.empty()) {
        TraceError(L"qrVerifyTrustPolicy: no registry root", 0);
        return false;
    }
    win::unique_hkey key;
    if (m_alternate) {
        LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                         KEY_WRITE | KEY_WOW64_32KEY, nullptr, key.put(), nullptr);
        if (status != ERROR_SUCCESS) {
            TraceError(L"qrVerifyTrustPolicy: the key cannot be created", status);
            return false;
        }
        const DWORD data = value ? 1 : 0;
        status = RegSetValueExW(key.get(), kAlternateTrustPolicyValue, 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&data), sizeof data);
        if (status != ERROR_SUCCESS) {
            TraceError(L"qrVerifyTrustPolicy: AlternateTrustPolicy cannot be written", status);
            return false;
        }
        return true;
    }
    if (!value) {
        return true;
    }
    LSTATUS status = OpenPolicyKey(path, KEY_WRITE, key);
    if (status != ERROR_SUCCESS) {
        TraceError(L"qrVerifyTrustPolicy: the key cannot be opened", status);
        return false;
    }
    status = RegDeleteValueW(key.get(), kTrustPolicyValue);
    if (status != ERROR_SUCCESS) {
        TraceError(L"qrVerifyTrustPolicy: TrustPolicy cannot be deleted", status);
        return false;
    }
    return true;
}

}  // namespace qrLib
