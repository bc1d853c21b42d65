#include "trust/CatalogFileHash.h"

#include "diagnostics/Trace.h"
#include "win/unique_any.h"

namespace qrLib {

namespace {

void TraceError(const wchar_t* text, DWORD value) {
    trace::Text(trace::kFlagError, trace::kLevelError, 761, text, value);
}

}  // namespace

CatalogFileHash::CatalogFileHash(const CatalogApi& api, const wchar_t* path, HCATADMIN admin,
                                 bool) {
    if (path == nullptr) {
        TraceError(L"CatalogFileHash: no path", 0);
        return;
    }
    m_path = path;
    win::unique_handle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        m_lastError = GetLastError();
        TraceError(L"CatalogFileHash: the file cannot be opened", m_lastError);
        return;
    }
    Compute(api, file.get(), admin);
}

void CatalogFileHash::Compute(const CatalogApi& api, HANDLE file, HCATADMIN admin) {
    SetLastError(ERROR_SUCCESS);
    DWORD size = 0;
    if (!api.calcHash(admin, file, &size, nullptr) || size == 0) {
        m_lastError = GetLastError();
        TraceError(L"CatalogFileHash: the hash size cannot be had", m_lastError);
        return;
    }
    m_hash.resize(size);
    m_status = api.calcHash(admin, file, &size, m_hash.data());
    if (!m_status || size == 0) {
        m_lastError = GetLastError();
        TraceError(m_status ? L"CatalogFileHash: TRUE but empty" : L"CatalogFileHash: FALSE", size);
        m_status = FALSE;
        m_hash.clear();
        return;
    }
    m_hash.resize(size);
    m_size = size;
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    m_memberTag.reserve(size * 2);
    for (const BYTE byte : m_hash) {
        m_memberTag.push_back(kDigits[byte >> 4]);
        m_memberTag.push_back(kDigits[byte & 0xF]);
    }
}

}  // namespace qrLib
