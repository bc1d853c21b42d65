#include "trust/CatalogApi.h"

namespace qrLib {

namespace {

using AcquireContext2 = BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, PCCERT_STRONG_SIGN_PARA,
                                      DWORD);
using CalcHashFromFileHandle2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

// An export of WinTrust.dll when the module is already loaded.
void* WintrustExport(const char* name) {
    if (!IsWindows8OrLater()) {
        return nullptr;
    }
    HMODULE wintrust = GetModuleHandleW(L"WinTrust.dll");
    return wintrust != nullptr ? reinterpret_cast<void*>(GetProcAddress(wintrust, name)) : nullptr;
}

BOOL WINAPI SystemAcquire(HCATADMIN* admin) {
    const auto acquire2 =
        reinterpret_cast<AcquireContext2>(WintrustExport("CryptCATAdminAcquireContext2"));
    if (acquire2 != nullptr) {
        return acquire2(admin, nullptr, L"SHA256", nullptr, 0);
    }
    return CryptCATAdminAcquireContext(admin, nullptr, 0);
}

BOOL WINAPI SystemRelease(HCATADMIN admin) {
    return CryptCATAdminReleaseContext(admin, 0);
}

BOOL WINAPI SystemCalcHash(HCATADMIN admin, HANDLE file, DWORD* size, BYTE* hash) {
    const auto calc2 = reinterpret_cast<CalcHashFromFileHandle2>(
        WintrustExport("CryptCATAdminCalcHashFromFileHandle2"));
    if (calc2 != nullptr && admin != nullptr) {
        return calc2(admin, file, size, hash, 0);
    }
    return CryptCATAdminCalcHashFromFileHandle(file, size, hash, 0);
}

LONG WINAPI SystemVerifyTrust(HWND window, GUID* action, void* data) {
    return WinVerifyTrust(window, action, data);
}

}  // namespace

bool IsWindows8OrLater() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    ULONGLONG condition = 0;
    condition = VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

const CatalogApi& SystemCatalogApi() {
    static const CatalogApi api = {
        SystemAcquire,
        SystemRelease,
        SystemCalcHash,
        CryptCATAdminEnumCatalogFromHash,
        CryptCATCatalogInfoFromContext,
        CryptCATAdminReleaseCatalogContext,
        SystemVerifyTrust,
    };
    return api;
}

}  // namespace qrLib
