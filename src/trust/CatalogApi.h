// The catalog functions the verifier calls, as a table: the system's, or a test's stand-in where
// the platform's catalog database cannot be used (Wine's functions are stubs).
#pragma once

#include <windows.h>
#include <wincrypt.h>
#include <mscat.h>
#include <wintrust.h>

namespace qrLib {

struct CatalogApi {
    // The administrator context: the SHA-256 one on 6.2 and later when the platform offers it.
    BOOL(WINAPI* acquireContext)(HCATADMIN* admin);
    BOOL(WINAPI* releaseContext)(HCATADMIN admin);
    // The file's catalog hash; the admin handle (may be null) picks the newer hash when available.
    BOOL(WINAPI* calcHash)(HCATADMIN admin, HANDLE file, DWORD* size, BYTE* hash);
    // The next catalog listing the hash; a non-null `previous` is released by the call.
    HCATINFO(WINAPI* enumCatalogFromHash)
    (HCATADMIN admin, BYTE* hash, DWORD size, DWORD flags, HCATINFO* previous);
    BOOL(WINAPI* catalogInfoFromContext)(HCATINFO catalog, CATALOG_INFO* info, DWORD flags);
    BOOL(WINAPI* releaseCatalogContext)(HCATADMIN admin, HCATINFO catalog, DWORD flags);
    LONG(WINAPI* verifyTrust)(HWND window, GUID* action, void* data);
};

// The platform's functions.
const CatalogApi& SystemCatalogApi();

// True on Windows 8 / Server 2012 (6.2) and later.
bool IsWindows8OrLater();

}  // namespace qrLib
