// The catalog loop of a full verification: the file verified as a member of each catalog that
// lists its hash, in turn, until one verifies it.
#pragma once

#include <windows.h>

#include <string>

#include "trust/CatalogApi.h"

namespace qrLib {

struct CatalogSearch {
    bool contextAcquired = false;  // false: the verification must end with kFileError
    LONG status = 0;               // 0 when a catalog verified the file
    bool listed = false;           // some catalog lists the file
    std::wstring lastCatalog;      // the catalog tried last
};

// Starts from `embeddedStatus`, which stands when no catalog lists the file. A hash that cannot
// be computed gives TRUST_E_SUBJECT_NOT_TRUSTED for error 87, else TRUST_E_SUBJECT_FORM_UNKNOWN.
CatalogSearch SearchCatalogs(const CatalogApi& api, const std::wstring& path, GUID action,
                             DWORD mode, LONG embeddedStatus);

// The structures in their full (Windows 8) size, whatever version the headers are set for: the
// platform reads the fields a structure's size says it has.
struct FullTrustData : WINTRUST_DATA {
    void* pSignatureSettings;
};
struct FullCatalogInfo : WINTRUST_CATALOG_INFO {
    HCATADMIN hCatAdmin;
};
// The 64-bit sizes of the full structures: headers set for Windows 8 or later would already
// declare the last field, and the one added here would then be a second, unread copy.
static_assert(sizeof(FullTrustData) == 88, "WINTRUST_DATA with pSignatureSettings");
static_assert(sizeof(FullCatalogInfo) == 72, "WINTRUST_CATALOG_INFO with hCatAdmin");

// WINTRUST_DATA as the verifier fills it for `mode` (2: revocation of the whole chain), without
// its union.
FullTrustData MakeTrustData(DWORD mode);

}  // namespace qrLib
