// The catalog hash of one file, computed on construction, with its member tag (upper-case hex).
#pragma once

#include <string>
#include <vector>

#include "trust/CatalogApi.h"

namespace qrLib {

class CatalogFileHash {
public:
    // `passThrough` is accepted for the callers' sake and not used.
    CatalogFileHash(const CatalogApi& api, const wchar_t* path, HCATADMIN admin, bool passThrough);
    CatalogFileHash(const CatalogFileHash&) = delete;
    CatalogFileHash& operator=(const CatalogFileHash&) = delete;

    // TRUE when the hash is usable.
    BOOL Status() const { return m_status; }
    const std::vector<BYTE>& Hash() const { return m_hash; }
    DWORD Size() const { return m_size; }
    const std::wstring& MemberTag() const { return m_memberTag; }
    // The Win32 error of the step that failed; 0 when none did.
    DWORD LastError() const { return m_lastError; }

private:
    void Compute(const CatalogApi& api, HANDLE file, HCATADMIN admin);

    std::vector<BYTE> m_hash;
    BOOL m_status = FALSE;
    DWORD m_size = 0;
    std::wstring m_memberTag;
    std::wstring m_path;
    DWORD m_lastError = 0;
};

}  // namespace qrLib
