#include "trust/CatalogIterator.h"

#include <exception>

#include "diagnostics/Trace.h"

namespace qrLib {

namespace {

constexpr DWORD kCatalogInfoSize = 524;

void TraceUnlessNotFound(const wchar_t* text, DWORD error) {
    if (error != ERROR_SUCCESS && error != ERROR_NOT_FOUND) {
        trace::Text(trace::kFlagError, trace::kLevelError, 762, text, error);
    }
}

}  // namespace

CatalogIterator::CatalogIterator(const CatalogApi& api, const CatalogContext& context,
                                 const CatalogFileHash& hash)
    : m_api(api), m_context(context), m_hash(hash) {
    try {
        Enumerate();
    } catch (const std::exception&) {
        trace::Text(trace::kFlagError, trace::kLevelError, 763,
                    L"CatalogIterator: exception while enumerating", 0);
        m_atEnd = true;
    }
}

void CatalogIterator::Enumerate() {
    if (!m_context.Acquired() || !m_hash.Status()) {
        trace::Text(trace::kFlagInfo, trace::kLevelInfo, 764,
                    L"CatalogIterator: no context or no hash", 0);
        m_atEnd = true;
        return;
    }
    std::vector<BYTE> hash = m_hash.Hash();
    SetLastError(ERROR_SUCCESS);
    m_current =
        m_api.enumCatalogFromHash(m_context.Handle(), hash.data(), m_hash.Size(), 0, nullptr);
    if (m_current == nullptr) {
        TraceUnlessNotFound(L"CatalogIterator: first catalog", GetLastError());
        m_atEnd = true;
        return;
    }
    while (m_current != nullptr) {
        CATALOG_INFO info{};
        info.cbStruct = kCatalogInfoSize;
        if (!m_api.catalogInfoFromContext(m_current, &info, 0)) {
            trace::Text(trace::kFlagError, trace::kLevelError, 765,
                        L"CatalogIterator: CryptCATCatalogInfoFromContext", GetLastError());
            m_atEnd = true;
            return;
        }
        m_catalogs.emplace_back(info.wszCatalogFile);
        // The call releases the context passed as the previous one.
        HCATINFO previous = m_current;
        m_current = nullptr;
        m_current =
            m_api.enumCatalogFromHash(m_context.Handle(), hash.data(), m_hash.Size(), 0, &previous);
        if (m_current == nullptr) {
            TraceUnlessNotFound(L"CatalogIterator: next catalog", GetLastError());
        }
    }
}

CatalogIterator::~CatalogIterator() {
    m_catalogs.clear();
    if (m_current != nullptr && m_context.Handle() != nullptr) {
        m_api.releaseCatalogContext(m_context.Handle(), m_current, 0);
    }
}

std::wstring CatalogIterator::Current() const {
    return m_atEnd || m_index >= m_catalogs.size() ? std::wstring() : m_catalogs[m_index];
}

void CatalogIterator::Advance() {
    if (m_index + 1 < m_catalogs.size()) {
        ++m_index;
    } else {
        m_atEnd = true;
    }
}

}  // namespace qrLib
